#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <thread>

// A libmodbus RTU slave on a pseudo-terminal, in a thread of the test. Its path is the port the
// master opens. Requests are taken off the line as a slave does (a pause ends a frame) and
// handed to libmodbus, which checks them and answers from its map (each kind of item mapped
// from its lowest number to its highest; numbers outside get exception 2); the scripted
// behaviours decide whether it answers at all or acknowledges first.
//
// With `noCrc` the slave stands for a gateway whose CRC constant is 0: the line carries requests
// and answers without CRC, and the standard CRC is added for libmodbus and taken off its answer.
class LibmodbusSlave
{
public:
    struct Options
    {
        int slave = 1;
        std::map<int, std::uint16_t> registers; // holding registers by number
        std::map<int, bool> coils;              // by number
        std::map<int, bool> inputs;             // discrete inputs by number
        bool noCrc = false;
        int ignoreFirst = 0;      // requests not answered at all
        int acknowledgeFirst = 0; // then requests answered with exception 5
        // Numbers inside the map the slave lacks (of every kind): a read that touches one gets
        // exception 2, as a gateway answers a run with a number of no row in it.
        std::set<int> holes;
        // > 0: a read of more numbers gets exception 3, as a slave that takes short requests.
        int maxQuantity = 0;
    };

    explicit LibmodbusSlave(Options options);
    ~LibmodbusSlave();
    LibmodbusSlave(const LibmodbusSlave&) = delete;
    LibmodbusSlave& operator=(const LibmodbusSlave&) = delete;

    // Empty when the slave could not be set up.
    const QString& path() const { return m_path; }
    // Every frame seen on the line, as it came.
    QList<QByteArray> requests() const;
    // The state of a mapped coil now.
    bool coil(int number) const;

private:
    void run();
    void handle(const QByteArray& frame);

    Options m_options;
    QString m_path;
    int m_pty = -1;       // the line's far end, where the slave listens
    int m_ptySlave = -1;  // kept open so that the master may close and reopen the line
    int m_toModbus = -1;  // our end of the pair libmodbus reads its requests from
    int m_modbusEnd = -1; // libmodbus's end
    struct Context;
    Context* m_ctx = nullptr;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    QList<QByteArray> m_requests;
    int m_seen = 0;
};
