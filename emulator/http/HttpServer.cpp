#include "emulator/http/HttpServer.h"

#include <fcntl.h>
#include <microhttpd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <chrono>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

namespace emu {

namespace {

// A body this far past the limit, sent without a length, ends its connection rather than being
// read to the end for an answer.
constexpr std::size_t kDiscardFactor = 4;

MHD_Result AddArgument(void* query, MHD_ValueKind, const char* key, const char* value) {
    (*static_cast<std::map<std::string, std::string>*>(query))[key] = value != nullptr ? value : "";
    return MHD_YES;
}

std::string Header(MHD_Connection* connection, const char* name) {
    const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
    return value != nullptr ? value : "";
}

}  // namespace

// What a request waits for: its answer, given from any thread.
struct HttpServer::Pending {
    std::mutex lock;
    MHD_Connection* connection = nullptr;
    std::optional<HttpResponse> response;
    bool resting = false;  // suspended until the answer comes
};

// Gives a request its answer, once; wakes its connection when it rests.
namespace {

void Answer(HttpServer::Pending& pending, HttpResponse response) {
    std::lock_guard<std::mutex> guard(pending.lock);
    if (pending.response) return;
    pending.response = std::move(response);
    if (pending.resting) MHD_resume_connection(pending.connection);
}

// An event stream and the connection it goes to.
struct Pump {
    std::shared_ptr<EventStream> stream;
    MHD_Connection* connection = nullptr;
};

ssize_t ReadPump(void* cls, std::uint64_t, char* out, std::size_t max) {
    auto* pump = static_cast<Pump*>(cls);
    const long n =
        pump->stream->Read(out, max, [pump] { MHD_suspend_connection(pump->connection); });
    return n == EventStream::kEnded ? MHD_CONTENT_READER_END_OF_STREAM : n;
}

void FreePump(void* cls) {
    auto* pump = static_cast<Pump*>(cls);
    pump->stream->SetWake(nullptr);
    delete pump;
}

MHD_Response* MakeResponse(MHD_Connection* connection, HttpResponse& response) {
    if (response.stream) {
        auto* pump = new Pump{response.stream, connection};
        response.stream->SetWake([connection] { MHD_resume_connection(connection); });
        response.type = "text/event-stream";
        // Read in pieces as large as a batch of receipts' events (an HTTP/1.0 client's; chunked
        // ones are read into the connection's own buffer): in 4 KB pieces, sending them to 50
        // viewers took the HTTP side twice the work.
        return MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, 64 * 1024, ReadPump, pump,
                                                 FreePump);
    }
    if (!response.file.empty()) {
        const int fd = ::open(response.file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        struct stat st {};
        if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            return MHD_create_response_from_fd(static_cast<std::uint64_t>(st.st_size), fd);
        }
        if (fd >= 0) ::close(fd);
        response = JsonError(404, "the file " + response.file + " is no longer there");
    }
    return MHD_create_response_from_buffer(response.body.size(), response.body.data(),
                                           MHD_RESPMEM_MUST_COPY);
}

MHD_Result Access(void* cls, MHD_Connection* connection, const char* url, const char* method,
                  const char*, const char* upload, std::size_t* uploadSize, void** context) {
    const int r = static_cast<HttpServer*>(cls)->OnRequest(connection, url, method, upload,
                                                           uploadSize, context);
    return r != 0 ? MHD_YES : MHD_NO;
}

void Completed(void* cls, MHD_Connection*, void** context, MHD_RequestTerminationCode) {
    static_cast<HttpServer*>(cls)->OnCompleted(context);
}

}  // namespace

struct HttpServer::Exchange {
    HttpRequest request;
    std::optional<std::size_t> length;  // Content-Length
    std::size_t reserved = 0;           // of the server's body budget
    std::optional<HttpResponse> refusal;
    std::size_t discarded = 0;
    std::shared_ptr<Pending> pending;
};

HttpResponse JsonError(int status, const std::string& message) {
    HttpResponse response;
    response.status = status;
    response.body = JsonText(nlohmann::json{{"error", message}}) + "\n";
    return response;
}

std::string JsonText(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

HttpServer::~HttpServer() { Stop(); }

bool HttpServer::Open(const ListenAddress& address, std::string* error, bool* inUse) {
    return m_listener.Open(address, error, inUse);
}

bool HttpServer::Start(Screen screen, Handler handler, std::string* error) {
    m_screen = std::move(screen);
    m_handler = std::move(handler);
    // libmicrohttpd closes the socket it is given; the listener keeps its own.
    const int fd = ::fcntl(m_listener.Fd(), F_DUPFD_CLOEXEC, 0);
    m_daemon = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME, 0, nullptr,
        nullptr, &Access, this, MHD_OPTION_LISTEN_SOCKET, fd, MHD_OPTION_THREAD_POOL_SIZE,
        m_limits.threads, MHD_OPTION_CONNECTION_LIMIT, m_limits.connections,
        MHD_OPTION_CONNECTION_TIMEOUT, m_limits.idleSeconds, MHD_OPTION_CONNECTION_MEMORY_LIMIT,
        m_limits.headMemory, MHD_OPTION_NOTIFY_COMPLETED, &Completed, this, MHD_OPTION_END);
    if (m_daemon == nullptr) {
        if (fd >= 0) ::close(fd);
        *error = "cannot serve HTTP on " + m_listener.Name();
        return false;
    }
    return true;
}

void HttpServer::Stop() {
    if (m_daemon == nullptr) return;
    m_stopping = true;
    // Every connection must be awake before the daemon stops: answer what waits, and let the
    // pool's threads send it.
    std::vector<std::shared_ptr<Pending>> resting;
    {
        std::lock_guard<std::mutex> guard(m_restingLock);
        resting.assign(m_resting.begin(), m_resting.end());
    }
    for (const std::shared_ptr<Pending>& pending : resting) {
        Answer(*pending, JsonError(503, "the printer is stopping"));
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(m_restingLock);
            if (m_resting.empty() || std::chrono::steady_clock::now() > deadline) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    MHD_stop_daemon(m_daemon);
    m_daemon = nullptr;
    m_listener.Close();
}

int HttpServer::Queue(void* connection, HttpResponse response) {
    auto* c = static_cast<MHD_Connection*>(connection);
    MHD_Response* made = MakeResponse(c, response);
    if (made == nullptr) return 0;
    MHD_add_response_header(made, MHD_HTTP_HEADER_CONTENT_TYPE, response.type.c_str());
    MHD_add_response_header(made, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    MHD_add_response_header(made, "X-Content-Type-Options", "nosniff");
    for (const auto& [name, value] : response.headers) {
        MHD_add_response_header(made, name.c_str(), value.c_str());
    }
    const MHD_Result queued = MHD_queue_response(c, static_cast<unsigned>(response.status), made);
    MHD_destroy_response(made);
    return queued == MHD_YES ? 1 : 0;
}

int HttpServer::OnRequest(void* connection, const char* url, const char* method, const char* upload,
                          std::size_t* uploadSize, void** context) {
    auto* c = static_cast<MHD_Connection*>(connection);
    auto* exchange = static_cast<Exchange*>(*context);
    if (exchange == nullptr) {
        exchange = new Exchange;
        *context = exchange;
        HttpRequest& request = exchange->request;
        request.method = method;
        request.path = url;
        MHD_get_connection_values(c, MHD_GET_ARGUMENT_KIND, &AddArgument, &request.query);
        request.host = Header(c, MHD_HTTP_HEADER_HOST);
        request.origin = Header(c, MHD_HTTP_HEADER_ORIGIN);
        request.fetchSite = Header(c, "Sec-Fetch-Site");
        if (m_stopping) return Queue(c, JsonError(503, "the printer is stopping"));
        if (std::optional<HttpResponse> refusal = m_screen(request)) {
            return Queue(c, std::move(*refusal));
        }
        if (const std::string length = Header(c, MHD_HTTP_HEADER_CONTENT_LENGTH); !length.empty()) {
            std::size_t n = 0;
            std::from_chars(length.data(), length.data() + length.size(), n);
            exchange->length = n;
        }
        const std::size_t expected = exchange->length.value_or(0);
        if (expected > m_limits.body) {
            return Queue(
                c, JsonError(413, "the body is " + std::to_string(expected) + " bytes; at most " +
                                      std::to_string(m_limits.body) + " are taken"));
        }
        if (m_bodyBytes.fetch_add(expected) + expected > m_limits.bodies) {
            m_bodyBytes -= expected;
            return Queue(c, JsonError(503, "too many request bodies are on their way; try again"));
        }
        exchange->reserved = expected;
        return 1;
    }
    if (*uploadSize > 0) {
        const std::size_t n = *uploadSize;
        *uploadSize = 0;
        std::string& body = exchange->request.body;
        if (exchange->refusal || body.size() + n > m_limits.body) {
            // Sent without a length: read on (and hold nothing) so the answer can be given.
            if (!exchange->refusal) {
                exchange->refusal =
                    JsonError(413, "the body is over " + std::to_string(m_limits.body) + " bytes");
                body.clear();
                body.shrink_to_fit();
            }
            exchange->discarded += n;
            return exchange->discarded <= kDiscardFactor * m_limits.body ? 1 : 0;
        }
        if (body.size() + n > exchange->reserved) {
            const std::size_t more = body.size() + n - exchange->reserved;
            if (m_bodyBytes.fetch_add(more) + more > m_limits.bodies) {
                m_bodyBytes -= more;
                exchange->refusal = JsonError(503, "too many request bodies are on their way");
                return 1;
            }
            exchange->reserved += more;
        }
        body.append(upload, n);
        return 1;
    }
    if (exchange->refusal) return Queue(c, std::move(*exchange->refusal));
    if (!exchange->pending) {
        auto pending = std::make_shared<Pending>();
        pending->connection = c;
        exchange->pending = pending;
        m_handler(std::move(exchange->request),
                  [pending](HttpResponse response) { Answer(*pending, std::move(response)); });
    }
    const std::shared_ptr<Pending> pending = exchange->pending;
    std::unique_lock<std::mutex> guard(pending->lock);
    if (!pending->response) {
        pending->resting = true;
        MHD_suspend_connection(c);
        std::lock_guard<std::mutex> resting(m_restingLock);
        m_resting.insert(pending);
        return 1;
    }
    HttpResponse response = std::move(*pending->response);
    const bool rested = pending->resting;
    pending->resting = false;
    guard.unlock();
    if (rested) {
        std::lock_guard<std::mutex> resting(m_restingLock);
        m_resting.erase(pending);
    }
    return Queue(c, std::move(response));
}

void HttpServer::OnCompleted(void** context) {
    auto* exchange = static_cast<Exchange*>(*context);
    if (exchange == nullptr) return;
    m_bodyBytes -= exchange->reserved;
    delete exchange;
    *context = nullptr;
}

}  // namespace emu
