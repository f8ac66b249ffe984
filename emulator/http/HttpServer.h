// An HTTP server over libmicrohttpd: a fixed pool of threads polls every connection (epoll), so
// neither many connections nor slow ones take threads; requests are answered at once or later
// from any thread (the connection rests meanwhile), and event streams are sent as they grow.
// Limits bound what a client can make it hold: connections, the memory for a request's head,
// the body of one request and of all requests together, and idle time.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "emulator/http/EventStream.h"
#include "emulator/link/TcpListener.h"

struct MHD_Daemon;

namespace emu {

struct HttpRequest {
    std::string method;
    std::string path;                          // without the query
    std::map<std::string, std::string> query;  // its arguments, decoded
    std::string host;                          // the Host header, "" when absent
    std::string origin;
    std::string fetchSite;  // Sec-Fetch-Site
    std::string body;
};

struct HttpResponse {
    int status = 200;
    std::string type = "application/json";
    std::string body;
    std::string file;                     // when set, the body is this file's bytes
    std::shared_ptr<EventStream> stream;  // when set, an endless text/event-stream
    std::vector<std::pair<std::string, std::string>> headers;
};

// {"error": MESSAGE} with the status.
HttpResponse JsonError(int status, const std::string& message);
// The JSON text of a value. Bytes that are not UTF-8 (a folder's or a device's name may hold
// them) become U+FFFD: the library would throw, and the printer end with it.
std::string JsonText(const nlohmann::json& value);

class HttpServer {
  public:
    struct Limits {
        unsigned connections = 128;             // 64 viewers, each with its events and its pictures
        std::size_t body = 16 * 1024 * 1024;    // one request's
        std::size_t bodies = 64 * 1024 * 1024;  // all requests' together
        unsigned threads = 2;
        unsigned idleSeconds = 30;
        std::size_t headMemory = 32 * 1024;  // a request's head and buffers
    };
    // Answers once, from any thread.
    using Reply = std::function<void(HttpResponse)>;
    using Handler = std::function<void(HttpRequest&&, Reply)>;
    // Looks at a request's head before its body is read: an answer refuses it.
    using Screen = std::function<std::optional<HttpResponse>(const HttpRequest&)>;

    HttpServer() = default;
    explicit HttpServer(const Limits& limits) : m_limits(limits) {}
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // False with the reason; *inUse says the port was taken.
    bool Open(const ListenAddress& address, std::string* error, bool* inUse = nullptr);
    const TcpListener& Listener() const { return m_listener; }
    bool Start(Screen screen, Handler handler, std::string* error);
    // Answers what still waits with 503 and closes every connection. The event streams handed out
    // must have been ended (EventHub::EndAll) before.
    void Stop();
    const Limits& GetLimits() const { return m_limits; }

    // libmicrohttpd's callbacks, as members.
    struct Exchange;
    struct Pending;
    int OnRequest(void* connection, const char* url, const char* method, const char* upload,
                  std::size_t* uploadSize, void** context);
    void OnCompleted(void** context);

  private:
    int Queue(void* connection, HttpResponse response);

    Limits m_limits;
    TcpListener m_listener;
    MHD_Daemon* m_daemon = nullptr;
    Screen m_screen;
    Handler m_handler;
    std::atomic<std::size_t> m_bodyBytes{0};
    std::atomic<bool> m_stopping{false};
    std::mutex m_restingLock;
    std::set<std::shared_ptr<Pending>> m_resting;  // requests whose connection waits for an answer
};

}  // namespace emu
