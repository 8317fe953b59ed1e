#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QStringList>
#include <QTemporaryDir>

#include <csignal>

// The simulator's store in the form of `vegctl image` ("0100 05", "0806[2] 04"), its control
// parameters left out.
inline QSet<QString> storeLines(const QJsonObject& image)
{
    QSet<QString> out;
    for (const QJsonValue& v : image.value("params").toArray()) {
        const QJsonObject p = v.toObject();
        if (p.value("param").toString().startsWith("F0"))
            continue;
        QString line = p.value("param").toString();
        if (p.contains("index"))
            line += QStringLiteral("[%1]").arg(p.value("index").toInt());
        out << line + u' ' + p.value("data").toString();
    }
    return out;
}

// vegsim on a pseudo-terminal for the length of a test: started with its options, its path
// read from the first line, stopped with SIGTERM so that it writes its image.
class SimProcess
{
public:
    explicit SimProcess(QStringList options)
    {
        m_image = m_dir.filePath(QStringLiteral("image.json"));
        options << QStringLiteral("--pty") << QStringLiteral("--image") << m_image;
        m_process.setProgram(QStringLiteral(VEGSIM_PATH));
        m_process.setArguments(options);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
        if (!m_process.waitForStarted(10000))
            return;
        while (!m_process.canReadLine() && m_process.waitForReadyRead(10000)) {
        }
        m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~SimProcess() { stop(); }

    const QString& path() const { return m_path; }

    // Stops the simulator and returns the image it left.
    QJsonObject stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            ::kill(pid_t(m_process.processId()), SIGTERM);
            if (!m_process.waitForFinished(10000)) {
                m_process.kill();
                m_process.waitForFinished(5000);
            }
        }
        QFile f(m_image);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(f.readAll()).object();
    }

private:
    QTemporaryDir m_dir;
    QString m_image;
    QProcess m_process;
    QString m_path;
};
