#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <csignal>

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
