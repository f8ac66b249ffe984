#include "emulator/http/HttpJobs.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace emu {

namespace {

// A connected socket to the printer's port, or -1 with the reason.
int Connect(const ListenAddress& port, std::string* error) {
    std::string host = port.host;
    if (host == "0.0.0.0") host = "127.0.0.1";
    if (host == "::") host = "::1";
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (int rc = ::getaddrinfo(host.c_str(), std::to_string(port.port).c_str(), &hints, &found);
        rc != 0) {
        *error = "cannot reach the printer's port: " + std::string(::gai_strerror(rc));
        return -1;
    }
    int fd = -1;
    for (addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) {
        fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd >= 0 && ::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            *error = std::string("cannot reach the printer's port: ") + std::strerror(errno);
            ::close(fd);
            fd = -1;
        }
    }
    ::freeaddrinfo(found);
    return fd;
}

}  // namespace

HttpJobs::HttpJobs(const ListenAddress& port, std::chrono::milliseconds stall)
    : m_port(port), m_stall(stall), m_thread([this] { Run(); }) {}

HttpJobs::~HttpJobs() { Stop(); }

bool HttpJobs::Submit(std::string bytes, Done done) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_stop || m_jobs.size() > kMaxWaiting) return false;
    m_jobs.push_back(Job{std::move(bytes), std::move(done)});
    m_wake.notify_all();
    return true;
}

void HttpJobs::Closed(const std::string& peer) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (peer != m_printing) return;
    m_printed = true;
    m_wake.notify_all();
}

void HttpJobs::Stop() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
        m_wake.notify_all();
    }
    if (m_thread.joinable()) m_thread.join();
    for (const Job& job : m_jobs) {
        Result result;
        result.status = 503;
        result.error = "the printer stopped before the job was printed";
        job.done(result);
    }
    m_jobs.clear();
}

void HttpJobs::Run() {
    std::unique_lock<std::mutex> guard(m_lock);
    for (;;) {
        m_wake.wait(guard, [this] { return m_stop || !m_jobs.empty(); });
        if (m_stop) return;
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        guard.unlock();
        const Result result = Print(job.bytes);
        job.done(result);
        guard.lock();
    }
}

HttpJobs::Result HttpJobs::Print(const std::string& bytes) {
    Result result;
    std::string error;
    const int fd = Connect(m_port, &error);
    if (fd < 0) {
        result.status = 503;
        result.error = error;
        return result;
    }
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    result.peer = "TCP " + DescribePeer(local);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_printing = result.peer;
        m_printed = false;
    }
    const bool finished = Exchange(fd, bytes, &result);
    ::close(fd);
    std::unique_lock<std::mutex> guard(m_lock);
    // The printer ends the job's receipt when the connection closes; the job is done once it has.
    m_wake.wait_for(guard, m_stall, [this] { return m_stop || m_printed; });
    const bool printed = finished && m_printed;
    m_printing.clear();
    if (!printed) {
        result.status = 503;
        result.error = m_stop ? "the printer stopped before the job was printed"
                              : "the printer took " + std::to_string(result.sent) + " of " +
                                    std::to_string(bytes.size()) + " bytes and then nothing for " +
                                    std::to_string(m_stall.count() / 1000) +
                                    " s (is the paper out?); the job was given up";
    }
    return result;
}

bool HttpJobs::Exchange(int fd, const std::string& bytes, Result* result) {
    bool writing = true;
    for (;;) {
        if (writing && result->sent == bytes.size()) {
            ::shutdown(fd, SHUT_WR);  // the end of the job, as a network print's
            writing = false;
        }
        pollfd p{fd, static_cast<short>(POLLIN | (writing ? POLLOUT : 0)), 0};
        const int ready = ::poll(&p, 1, static_cast<int>(m_stall.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_stop) return false;
        }
        if (p.revents & POLLIN) {
            char buffer[4096];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n == 0) return !writing;
            if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
            if (n > 0) result->replies.append(buffer, static_cast<std::size_t>(n));
        } else if (p.revents & (POLLERR | POLLHUP)) {
            return false;
        }
        if (writing && (p.revents & POLLOUT)) {
            const ssize_t n = ::send(fd, bytes.data() + result->sent, bytes.size() - result->sent,
                                     MSG_DONTWAIT | MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
            if (n > 0) result->sent += static_cast<std::uint64_t>(n);
        }
    }
}

}  // namespace emu
