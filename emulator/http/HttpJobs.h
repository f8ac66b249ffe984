// Print jobs posted over HTTP, printed as a network print is: each is sent over the printer's own
// TCP port, so it waits its turn behind the jobs already there and never mixes with them, and it
// is done when the printer has closed its connection and ended its receipt. One thread sends them,
// one at a time; a few more may wait, past that they are refused.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "emulator/link/TcpListener.h"

namespace emu {

class HttpJobs {
  public:
    // Jobs that may wait for the one printing.
    static constexpr std::size_t kMaxWaiting = 8;
    // A job the printer takes nothing of for this long (paper out) is given up.
    static constexpr std::chrono::seconds kStall{10};

    struct Result {
        int status = 200;   // 200 printed, 503 given up
        std::string error;  // why not, as a sentence
        std::string peer;   // the job's connection, as the printer names its source
        std::uint64_t sent = 0;
        std::string replies;  // what the printer sent back
    };
    using Done = std::function<void(const Result&)>;

    // Jobs go to the printer's port at port (a wildcard address reaches it on loopback).
    HttpJobs(const ListenAddress& port, std::chrono::milliseconds stall = kStall);
    ~HttpJobs();
    HttpJobs(const HttpJobs&) = delete;
    HttpJobs& operator=(const HttpJobs&) = delete;

    // False when kMaxWaiting jobs wait already; done is called on the jobs' thread.
    bool Submit(std::string bytes, Done done);
    // The printer closed the connection of this peer ("TCP 127.0.0.1:40312"): its receipt is kept.
    void Closed(const std::string& peer);
    // Gives up the jobs not done (503) and stops the thread.
    void Stop();

  private:
    struct Job {
        std::string bytes;
        Done done;
    };
    void Run();
    Result Print(const std::string& bytes);
    // Sends the bytes and reads the replies until the printer closes; false when it stalls.
    bool Exchange(int fd, const std::string& bytes, Result* result);

    ListenAddress m_port;
    std::chrono::milliseconds m_stall;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<Job> m_jobs;
    std::string m_printing;  // the peer of the job being printed
    bool m_printed = false;  // its connection has closed
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace emu
