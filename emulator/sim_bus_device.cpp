#include "emulator/sim_bus_device.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Copies waiting in a connection's socket buffer before further ones are dropped; small, as a
// hidraw handle's queue is.
constexpr int ConnectionSendBuffer = 4096;

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

struct SimBusDevice::Server {
    std::shared_ptr<PedometerModel> model;
    ReportLog* log = nullptr;
    QString path;

    std::mutex mutex;
    std::condition_variable done;
    std::deque<std::function<void()>> commands;
    uint64_t commandsRun = 0;
    uint64_t commandsQueued = 0;
    bool stopping = false;

    // Touched only on the server thread (and before it starts).
    int listenFd = -1;
    ino_t boundInode = 0;
    std::vector<int> connections;
    std::deque<std::pair<Clock::time_point, QByteArray>> pending;
    bool returnPending = false;
    Clock::time_point returnAt;

    // Mirrors for other threads, under mutex.
    bool present = false;
    int connectionCount = 0;

    int wakeFd = -1;
    std::thread thread;

    ~Server()
    {
        if (wakeFd >= 0)
            ::close(wakeFd);
    }

    void event(const QString& text)
    {
        if (log)
            log->event(text);
    }

    bool bindSocket(QString* error)
    {
        const QByteArray native = QFile::encodeName(path);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        if (size_t(native.size()) >= sizeof(addr.sun_path)) {
            if (error)
                *error = QStringLiteral("socket path too long: %1").arg(path);
            return false;
        }
        std::memcpy(addr.sun_path, native.constData(), size_t(native.size()));

        struct stat st {};
        if (::lstat(native.constData(), &st) == 0) {
            if (!S_ISSOCK(st.st_mode)) {
                if (error)
                    *error = QStringLiteral("%1 exists and is not a socket").arg(path);
                return false;
            }
            // A socket file that still accepts belongs to a running device; one that refuses is stale.
            const int probe = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
            const bool alive = probe >= 0 && ::connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
            if (probe >= 0)
                ::close(probe);
            if (alive) {
                if (error)
                    *error = QStringLiteral("another device already serves %1").arg(path);
                return false;
            }
            ::unlink(native.constData());
        }

        const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) {
            if (error)
                *error = QStringLiteral("cannot make a socket: %1").arg(errnoText(errno));
            return false;
        }
        // Bound and listening under a name the bus ignores, then renamed into place: a client that
        // sees the device's name can always connect.
        const QFileInfo info(path);
        const QByteArray staging = QFile::encodeName(info.path() + QStringLiteral("/.") + info.fileName()
                                                     + QStringLiteral(".new"));
        sockaddr_un stagingAddr{};
        stagingAddr.sun_family = AF_UNIX;
        if (size_t(staging.size()) >= sizeof(stagingAddr.sun_path)) {
            ::close(fd);
            if (error)
                *error = QStringLiteral("socket path too long: %1").arg(path);
            return false;
        }
        std::memcpy(stagingAddr.sun_path, staging.constData(), size_t(staging.size()));
        ::unlink(staging.constData());
        if (::bind(fd, reinterpret_cast<sockaddr*>(&stagingAddr), sizeof stagingAddr) != 0 || ::listen(fd, 16) != 0
            || ::rename(staging.constData(), native.constData()) != 0) {
            const int e = errno;
            ::close(fd);
            ::unlink(staging.constData());
            if (error)
                *error = QStringLiteral("cannot listen at %1: %2").arg(path, errnoText(e));
            return false;
        }
        listenFd = fd;
        boundInode = ::lstat(native.constData(), &st) == 0 ? st.st_ino : 0;
        return true;
    }

    void closeConnection(int fd)
    {
        ::shutdown(fd, SHUT_RDWR);
        ::close(fd);
        connections.erase(std::remove(connections.begin(), connections.end(), fd), connections.end());
        event(QStringLiteral("disconnected"));
    }

    // Removes the device: the socket file goes (unless someone else's replaced it) and every
    // connection is closed, so the program's reads and writes fail.
    void withdraw()
    {
        if (listenFd < 0)
            return;
        const QByteArray native = QFile::encodeName(path);
        struct stat st {};
        if (::lstat(native.constData(), &st) == 0 && st.st_ino == boundInode)
            ::unlink(native.constData());
        ::close(listenFd);
        listenFd = -1;
        while (!connections.empty())
            closeConnection(connections.front());
        pending.clear();
    }

    void vanish(int returnAfterMs)
    {
        withdraw();
        returnPending = returnAfterMs >= 0;
        returnAt = Clock::now() + std::chrono::milliseconds(std::max(0, returnAfterMs));
        event(QStringLiteral("vanished"));
    }

    void comeBack()
    {
        returnPending = false;
        if (listenFd >= 0)
            return;
        QString error;
        if (bindSocket(&error))
            event(QStringLiteral("returned"));
        else
            event(QStringLiteral("cannot return: ") + error);
    }

    void acceptAll()
    {
        for (;;) {
            const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0)
                return;
            ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &ConnectionSendBuffer, sizeof ConnectionSendBuffer);
            connections.push_back(fd);
            event(QStringLiteral("connected"));
        }
    }

    void broadcast(const QByteArray& message)
    {
        if (log)
            log->sent(message);
        std::vector<int> broken;
        for (int fd : connections) {
            // A full queue (EAGAIN) loses this copy only: the program's write handle never reads, so
            // its queue is full most of the time.
            if (::send(fd, message.constData(), size_t(message.size()), MSG_DONTWAIT | MSG_NOSIGNAL) < 0
                && errno != EAGAIN && errno != EWOULDBLOCK)
                broken.push_back(fd);
        }
        for (int fd : broken)
            closeConnection(fd);
    }

    void takeOutputReport(const Report& report)
    {
        if (log)
            log->received(report);
        const PedometerFaults faults = model->faults();
        const PedometerReply reply = model->handleOutputReport(report);
        const auto due = Clock::now() + std::chrono::milliseconds(std::max(0, faults.latencyMs));
        for (const QByteArray& message : reply.messages)
            pending.emplace_back(due, message);
        if (reply.vanish)
            vanish(faults.returnAfterMs);
    }

    // Reads every message waiting on a connection; false when the connection has ended.
    bool readConnection(int fd)
    {
        for (;;) {
            char buffer[256];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT | MSG_TRUNC);
            if (n < 0)
                return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
            if (n == 0)
                return false;
            if (n != ReportSize) {
                if (log)
                    log->event(QStringLiteral("ignored a message of %1 bytes").arg(n));
                continue;
            }
            Report report;
            std::memcpy(report.data(), buffer, ReportSize);
            takeOutputReport(report);
            if (listenFd < 0)
                return true; // vanished; the connection is already closed
        }
    }

    void run()
    {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            while (!commands.empty()) {
                auto command = std::move(commands.front());
                commands.pop_front();
                command();
                ++commandsRun;
            }
            if (stopping)
                break;
            auto now = Clock::now();
            if (listenFd < 0 && returnPending && now >= returnAt)
                comeBack();
            while (!pending.empty() && pending.front().first <= now) {
                const QByteArray message = pending.front().second;
                pending.pop_front();
                broadcast(message);
            }
            present = listenFd >= 0;
            connectionCount = int(connections.size());
            done.notify_all();

            int timeoutMs = -1;
            auto wake = Clock::time_point::max();
            if (!pending.empty())
                wake = pending.front().first;
            if (listenFd < 0 && returnPending)
                wake = std::min(wake, returnAt);
            if (wake != Clock::time_point::max()) {
                const auto ms = std::chrono::ceil<std::chrono::milliseconds>(wake - now).count();
                timeoutMs = int(std::clamp<long long>(ms, 0, 60000));
            }

            const bool deaf = model->faults().deaf;
            std::vector<pollfd> fds;
            fds.push_back({wakeFd, POLLIN, 0});
            if (listenFd >= 0)
                fds.push_back({listenFd, POLLIN, 0});
            for (int fd : connections)
                fds.push_back({fd, short(deaf ? 0 : POLLIN), 0});

            lock.unlock();
            ::poll(fds.data(), fds.size(), timeoutMs);
            lock.lock();

            uint64_t count;
            if (fds[0].revents & POLLIN)
                (void)!::read(wakeFd, &count, sizeof count);
            size_t next = 1;
            bool wasListening = false;
            if (listenFd >= 0 && next < fds.size() && fds[next].fd == listenFd) {
                wasListening = (fds[next].revents & POLLIN) != 0;
                ++next;
            }
            // Commands may have changed the connections meanwhile; only those still open are served.
            for (; next < fds.size(); ++next) {
                const int fd = fds[next].fd;
                if (std::find(connections.begin(), connections.end(), fd) == connections.end())
                    continue;
                const short ev = fds[next].revents;
                bool alive = true;
                if (ev & POLLIN)
                    alive = readConnection(fd);
                else if (ev & (POLLHUP | POLLERR | POLLNVAL))
                    alive = false;
                if (!alive && std::find(connections.begin(), connections.end(), fd) != connections.end())
                    closeConnection(fd);
                if (listenFd < 0)
                    break;
            }
            if (wasListening && listenFd >= 0)
                acceptAll();
        }
        withdraw();
        present = false;
        connectionCount = 0;
        done.notify_all();
    }

    // Runs a command on the server thread and waits until it and one further round of the loop have
    // run, so the caller sees its effect.
    void call(std::function<void()> command)
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (!thread.joinable() || stopping)
            return;
        commands.push_back(std::move(command));
        const uint64_t ticket = ++commandsQueued;
        const uint64_t one = 1;
        (void)!::write(wakeFd, &one, sizeof one);
        done.wait(lock, [&] { return commandsRun >= ticket || stopping; });
    }
};

SimBusDevice::SimBusDevice(std::shared_ptr<PedometerModel> model, ReportLog* log)
    : model_(model ? std::move(model) : std::make_shared<PedometerModel>())
    , log_(log)
{
}

SimBusDevice::~SimBusDevice()
{
    stop();
}

bool SimBusDevice::IsValidTag(const QString& tag)
{
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z0-9_]{1,32}$"));
    return valid.match(tag).hasMatch();
}

bool SimBusDevice::start(const QString& dir, const QString& tag, QString* error, uint16_t vendorId,
                         uint16_t productId)
{
    stop();
    if (!IsValidTag(tag)) {
        if (error)
            *error = QStringLiteral("the tag \"%1\" is not 1 to 32 letters, digits or '_'").arg(tag);
        return false;
    }
    if (dir.isEmpty() || !QDir().mkpath(dir)) {
        if (error)
            *error = QStringLiteral("cannot make the bus directory \"%1\"").arg(dir);
        return false;
    }
    auto server = std::make_unique<Server>();
    server->model = model_;
    server->log = log_;
    server->path = QDir(dir).filePath(QStringLiteral("%1-%2-%3.hid")
                                          .arg(vendorId, 4, 16, QLatin1Char('0'))
                                          .arg(productId, 4, 16, QLatin1Char('0'))
                                          .arg(tag));
    server->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (server->wakeFd < 0) {
        if (error)
            *error = QStringLiteral("cannot make an event: %1").arg(errnoText(errno));
        return false;
    }
    if (!server->bindSocket(error))
        return false;
    server->present = true;
    server->event(QStringLiteral("listening at ") + server->path);
    Server* s = server.get();
    server->thread = std::thread([s] { s->run(); });
    server_ = std::move(server);
    return true;
}

void SimBusDevice::stop()
{
    if (!server_)
        return;
    {
        std::lock_guard<std::mutex> lock(server_->mutex);
        server_->stopping = true;
        const uint64_t one = 1;
        (void)!::write(server_->wakeFd, &one, sizeof one);
    }
    server_->thread.join();
    server_->event(QStringLiteral("stopped"));
    server_.reset();
}

QString SimBusDevice::socketPath() const
{
    return server_ ? server_->path : QString();
}

std::shared_ptr<PedometerModel> SimBusDevice::model() const
{
    return model_;
}

bool SimBusDevice::isPresent() const
{
    if (!server_)
        return false;
    std::lock_guard<std::mutex> lock(server_->mutex);
    return server_->present;
}

int SimBusDevice::connectionCount() const
{
    if (!server_)
        return 0;
    std::lock_guard<std::mutex> lock(server_->mutex);
    return server_->connectionCount;
}

void SimBusDevice::vanish()
{
    if (server_)
        server_->call([s = server_.get()] { s->vanish(-1); });
}

void SimBusDevice::comeBack()
{
    if (server_)
        server_->call([s = server_.get()] { s->comeBack(); });
}

void SimBusDevice::sendInputReport(const Report& report)
{
    if (server_)
        server_->call([s = server_.get(), report] {
            s->pending.emplace_back(Clock::now(), QByteArray(reinterpret_cast<const char*>(report.data()), ReportSize));
        });
}
