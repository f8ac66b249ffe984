#include "emulator/http/HttpView.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <ctime>
#include <limits>
#include <nlohmann/json.hpp>

#include "emulator/http/PageAssets.h"
#include "emulator/link/HostLine.h"
#include "emulator/rendering/PngWriter.h"

namespace emu {

using nlohmann::json;

struct HttpView::Route {
    const char* method;
    // '#' stands for a receipt number (digits only), '*' for a name (letters, digits, '-').
    const char* pattern;
    Answer answer;
    const char* help;  // for --help; null for the page's own files and a route told with another
};

const HttpView::Route HttpView::kRoutes[] = {
    {"GET", "/", &HttpView::GetPage, "the page (paper, receipts, commands, conditions)"},
    {"GET", "/page.js", &HttpView::GetScript, nullptr},
    {"GET", "/page.css", &HttpView::GetStyle, nullptr},
    {"GET", "/api/status", &HttpView::GetStatus,
     "model, conditions, sleep, line, where, connections"},
    {"GET", "/api/receipts", &HttpView::GetReceipts,
     "the receipts shown, oldest first; ?last=K, ?before=N"},
    {"DELETE", "/api/receipts", &HttpView::ClearReceipts, "clears the list shown; the files stay"},
    {"GET", "/api/receipts/#", &HttpView::GetReceipt,
     "receipt N's meta; also N.png, N.bin, N.trace"},
    {"GET", "/api/receipts/#.png", &HttpView::GetReceiptPng, nullptr},
    {"GET", "/api/receipts/#.bin", &HttpView::GetReceiptBin, nullptr},
    {"GET", "/api/receipts/#.trace", &HttpView::GetReceiptTrace, nullptr},
    {"GET", "/api/paper.png", &HttpView::GetPaper, "the paper in progress"},
    {"PUT", "/api/conditions/*", &HttpView::PutCondition, "{\"on\": true|false} sets condition C"},
    {"POST", "/api/jobs", &HttpView::PostJob, "raw bytes; answers once printed, with receipts"},
    {"GET", "/api/events", &HttpView::GetEvents, "live events (server-sent), as the page follows"},
};

namespace {

// The path matches the pattern; *name is what stood for its '#' or '*'.
bool Matches(std::string_view pattern, std::string_view path, std::string* name) {
    const std::size_t wild = pattern.find_first_of("#*");
    if (wild == std::string_view::npos) return pattern == path;
    const std::string_view prefix = pattern.substr(0, wild);
    const std::string_view suffix = pattern.substr(wild + 1);
    if (path.size() <= prefix.size() + suffix.size() || !path.starts_with(prefix) ||
        !path.ends_with(suffix))
        return false;
    const std::string_view middle =
        path.substr(prefix.size(), path.size() - prefix.size() - suffix.size());
    const bool number = pattern[wild] == '#';
    const bool fits = std::all_of(middle.begin(), middle.end(), [number](unsigned char c) {
        return number ? std::isdigit(c) != 0 : std::isalnum(c) != 0 || c == '-';
    });
    if (!fits || (number && middle.size() > 9)) return false;
    *name = std::string(middle);
    return true;
}

HttpResponse Text(std::string_view body, const char* type) {
    HttpResponse response;
    response.type = type;
    response.body = std::string(body);
    return response;
}

HttpResponse Json(const json& value) {
    HttpResponse response;
    response.body = JsonText(value) + "\n";
    return response;
}

std::string IsoTime(std::chrono::system_clock::time_point when) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch());
    const std::time_t seconds = static_cast<std::time_t>(ms.count() / 1000);
    std::tm utc{};
    ::gmtime_r(&seconds, &utc);
    char text[40];
    const std::size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + n, sizeof text - n, ".%03dZ", static_cast<int>(ms.count() % 1000));
    return text;
}

}  // namespace

std::string HttpView::InterfaceText() {
    std::string text =
        "The HTTP interface (--http), JSON unless said; errors are {\"error\": MESSAGE} with\n"
        "the status (400 a bad body, 403 another site's page, 404 nothing there, 413 a job over\n"
        "16 MB, 421 a Host that is not this printer's address, 503 busy or given up):\n";
    for (const Route& route : kRoutes) {
        if (route.help == nullptr) continue;
        std::string left = std::string("  ") + route.method + " " + route.pattern;
        std::replace(left.begin(), left.end(), '#', 'N');
        std::replace(left.begin(), left.end(), '*', 'C');
        if (left.size() > 25) {
            text += left + "\n";
            left.clear();
        }
        left.resize(26, ' ');
        text += left + route.help + "\n";
    }
    return text;
}

HttpView::HttpView(PrinterStation& station, const HttpServer::Limits& limits)
    : m_station(station),
      m_server(limits),
      m_started(std::chrono::system_clock::now() -
                std::chrono::duration_cast<std::chrono::system_clock::duration>(
                    std::chrono::duration<double>(station.Seconds()))) {}

HttpView::~HttpView() { Stop(); }

bool HttpView::Open(const ListenAddress& address, std::string* error, bool* inUse) {
    if (!m_server.Open(address, error, inUse)) return false;
    m_address = address;
    m_guard.emplace(address, m_server.Listener().Port());
    return true;
}

bool HttpView::Start(std::string* error) {
    const TcpListener& port = m_station.GetLink().Listener();
    std::string ignored;
    const std::optional<ListenAddress> jobs = ParseListenAddress(port.Name(), &ignored);
    if (port.Fd() < 0 || !jobs) {
        *error = "HTTP print jobs go to the printer's TCP port, and it has none";
        return false;
    }
    m_jobs = std::make_unique<HttpJobs>(*jobs);
    m_station.Subscribe(this);
    m_subscribed = true;
    return m_server.Start([this](const HttpRequest& request) { return Screen(request); },
                          [this](HttpRequest&& request, const HttpServer::Reply& reply) {
                              Handle(std::move(request), reply);
                          },
                          error);
}

void HttpView::Stop() {
    m_hub.EndAll();
    if (m_jobs) m_jobs->Stop();
    m_server.Stop();
    if (m_subscribed) m_station.Unsubscribe(this);
    m_subscribed = false;
}

std::string HttpView::Address() const { return "http://" + m_server.Listener().Name() + "/"; }

std::optional<HttpResponse> HttpView::Screen(const HttpRequest& request) const {
    if (std::optional<std::string> refused = m_guard->RefusedHost(request.host)) {
        return JsonError(421, *refused);
    }
    if (ChangesState(request.method)) {
        if (std::optional<std::string> refused =
                m_guard->RefusedOrigin(request.origin, request.host, request.fetchSite)) {
            return JsonError(403, *refused);
        }
    }
    return std::nullopt;
}

void HttpView::Handle(HttpRequest&& request, const HttpServer::Reply& reply) {
    const std::string method = request.method == "HEAD" ? "GET" : request.method;
    std::string allowed;
    for (const Route& route : kRoutes) {
        std::string name;
        if (!Matches(route.pattern, request.path, &name)) continue;
        if (method != route.method) {
            allowed += (allowed.empty() ? "" : ", ") + std::string(route.method);
            continue;
        }
        if (std::optional<HttpResponse> answer = (this->*route.answer)(name, request, reply)) {
            reply(std::move(*answer));
        }
        return;
    }
    if (allowed.empty()) {
        return reply(JsonError(404, "there is nothing at " + request.path +
                                        " (the interface is under /api/, receipts by number)"));
    }
    HttpResponse refused =
        JsonError(405, request.method + " is not answered at " + request.path + "; use " + allowed);
    refused.headers.emplace_back("Allow", allowed);
    reply(std::move(refused));
}

std::optional<HttpResponse> HttpView::GetPage(const std::string&, HttpRequest&,
                                              const HttpServer::Reply&) {
    HttpResponse page = Text(kPageHtml, "text/html; charset=utf-8");
    // Nothing the page does comes from elsewhere, and no other page may frame it.
    page.headers.emplace_back("Content-Security-Policy",
                              "default-src 'self'; img-src 'self' blob:; frame-ancestors 'none'");
    return page;
}

std::optional<HttpResponse> HttpView::GetScript(const std::string&, HttpRequest&,
                                                const HttpServer::Reply&) {
    return Text(kPageScript, "text/javascript; charset=utf-8");
}

std::optional<HttpResponse> HttpView::GetStyle(const std::string&, HttpRequest&,
                                               const HttpServer::Reply&) {
    return Text(kPageStyle, "text/css; charset=utf-8");
}

std::string HttpView::StatusJson() const {
    const VirtualPrinter& printer = m_station.Printer();
    const PrinterModel& model = printer.Model();
    json conditions = json::array();
    const ConditionSet on = m_station.Conditions();
    for (const ConditionRow& row : ConditionsOf(model.commands)) {
        conditions.push_back(
            {{"name", row.name}, {"label", row.label}, {"on", (on & Mask(row.condition)) != 0}});
    }
    json connections = json::array();
    for (const PrinterStation::Connection& c : m_station.Connections()) {
        connections.push_back({{"peer", c.peer}, {"printing", c.printing}});
    }
    const LineSettings line = printer.Line();
    std::size_t shown = m_station.ReceiptCount();
    {
        std::lock_guard<std::mutex> guard(m_lock);
        shown -= std::min(shown, m_clearedCount);
    }
    const json status = {
        {"model", model.name},
        {"description", model.description},
        {"widthDots", printer.WidthDots()},
        {"where", m_station.Where()},
        {"http", m_server.Listener().Name()},
        {"conditions", conditions},
        {"asleep", printer.Asleep()},
        {"waitingBytes", printer.Waiting()},
        {"receivedBytes", printer.Received()},
        {"line", {{"baud", line.baud}, {"handshake", DescribeHandshake(line.handshake)}}},
        {"connections", connections},
        {"receipts", shown},
        {"savesReceipts", m_station.SavesReceipts()},
        {"receiptFolder", m_station.SavesReceipts() ? m_station.ReceiptFolderPath().string() : ""},
        {"viewers", m_hub.Viewers()},
        {"state", m_station.DescribeState()},
    };
    return JsonText(status);
}

std::string HttpView::ReceiptJson(const Receipt& receipt) const {
    Size size;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (const auto found = m_sizes.find(receipt.number); found != m_sizes.end())
            size = found->second;
    }
    return ReceiptJson(receipt, size, m_started);
}

std::string HttpView::ReceiptJson(const Receipt& receipt, Size size,
                                  std::chrono::system_clock::time_point started) {
    const std::string base = "/api/receipts/" + std::to_string(receipt.number);
    const auto when = started + std::chrono::duration_cast<std::chrono::system_clock::duration>(
                                    std::chrono::duration<double>(receipt.seconds));
    const bool bytesKept = !receipt.bin.empty();
    const json meta = {
        {"number", receipt.number},
        {"time", IsoTime(when)},
        {"seconds", receipt.seconds},
        {"source", receipt.source},
        {"bytes", receipt.bytes},
        {"width", size.width},
        {"height", size.height},
        {"png", base + ".png"},
        {"bin", bytesKept ? json(base + ".bin") : json(nullptr)},
        {"trace", bytesKept ? json(base + ".trace") : json(nullptr)},
        {"file", receipt.png.empty() ? json(nullptr) : json(receipt.png)},
        {"error", receipt.error},
    };
    return JsonText(meta);
}

std::optional<HttpResponse> HttpView::GetStatus(const std::string&, HttpRequest&,
                                                const HttpServer::Reply&) {
    HttpResponse response;
    response.body = StatusJson() + "\n";
    return response;
}

std::optional<HttpResponse> HttpView::GetReceipts(const std::string&, HttpRequest& request,
                                                  const HttpServer::Reply&) {
    // A long session holds thousands of receipts; the page asks for them a hundred at a time.
    std::size_t last = std::numeric_limits<std::size_t>::max();
    int before = std::numeric_limits<int>::max();
    for (const auto& [name, value] : request.query) {
        std::size_t n = 0;
        const auto [end, problem] = std::from_chars(value.data(), value.data() + value.size(), n);
        if ((name != "last" && name != "before") || value.empty() || problem != std::errc() ||
            end != value.data() + value.size() ||
            n > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
            return JsonError(400, "GET /api/receipts takes ?last=K and ?before=N, numbers; not " +
                                      name + "=" + value);
        }
        if (name == "last") {
            last = n;
        } else {
            before = static_cast<int>(n);
        }
    }
    int cleared = 0;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        cleared = m_clearedThrough;
    }
    std::string body = "[";
    for (const Receipt& receipt : m_station.ReceiptsBetween(cleared, before, last))
        body += (body.size() > 1 ? "," : "") + ReceiptJson(receipt);
    HttpResponse response;
    response.body = body + "]\n";
    return response;
}

std::optional<HttpResponse> HttpView::ClearReceipts(const std::string&, HttpRequest&,
                                                    const HttpServer::Reply&) {
    // The newest is the highest numbered; a test suite that clears before each test does not
    // copy the whole list each time.
    const std::size_t before = m_station.ReceiptCount();
    const std::size_t skipped = before > 0 ? before - 1 : 0;
    const std::vector<Receipt> newest = m_station.ReceiptsSince(skipped);
    const int through = newest.empty() ? 0 : newest.back().number;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_clearedThrough = std::max(m_clearedThrough, through);
        m_clearedCount = std::max(m_clearedCount, skipped + newest.size());
    }
    m_hub.Publish("cleared", JsonText(json{{"through", through}}));
    return Json({{"clearedThrough", through}});
}

std::optional<Receipt> HttpView::Shown(const std::string& number, HttpResponse* missing) const {
    int n = 0;
    std::from_chars(number.data(), number.data() + number.size(), n);
    std::optional<Receipt> receipt = m_station.FindReceipt(n);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (receipt && receipt->number <= m_clearedThrough) receipt.reset();
    }
    if (!receipt) *missing = JsonError(404, "there is no receipt " + number);
    return receipt;
}

std::optional<HttpResponse> HttpView::GetReceipt(const std::string& number, HttpRequest&,
                                                 const HttpServer::Reply&) {
    HttpResponse response;
    if (const std::optional<Receipt> receipt = Shown(number, &response)) {
        response.body = ReceiptJson(*receipt) + "\n";
    }
    return response;
}

std::optional<HttpResponse> HttpView::GetReceiptPng(const std::string& number, HttpRequest&,
                                                    const HttpServer::Reply&) {
    HttpResponse response;
    const std::optional<Receipt> receipt = Shown(number, &response);
    if (!receipt) return response;
    response.type = "image/png";
    if (!receipt->png.empty()) {
        response.file = receipt->png;
        return response;
    }
    // Not saved (no folder, or saving stopped): drawn from the picture kept, while it is.
    std::shared_ptr<const PaperImage> image;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        for (const auto& [n, picture] : m_unsaved) {
            if (n == receipt->number) image = picture;
        }
    }
    if (!image) {
        return JsonError(404, "receipt " + number + " was not saved (no receipt folder) and " +
                                  "only the last " + std::to_string(kUnsavedPictures) +
                                  " such pictures are kept");
    }
    std::vector<std::uint8_t> png;
    std::string error;
    if (!EncodePng(*image, &png, &error)) {
        return JsonError(500, "receipt " + number + " cannot be drawn: " + error);
    }
    response.body.assign(png.begin(), png.end());
    return response;
}

std::optional<HttpResponse> HttpView::GetReceiptBin(const std::string& number, HttpRequest&,
                                                    const HttpServer::Reply&) {
    HttpResponse response;
    const std::optional<Receipt> receipt = Shown(number, &response);
    if (!receipt) return response;
    if (receipt->bin.empty()) {
        return JsonError(404, "receipt " + number +
                                  " has no bytes kept (receipts keep them in "
                                  "the receipt folder)");
    }
    response.type = "application/octet-stream";
    response.file = receipt->bin;
    return response;
}

std::optional<HttpResponse> HttpView::GetReceiptTrace(const std::string& number, HttpRequest&,
                                                      const HttpServer::Reply&) {
    HttpResponse response;
    const std::optional<Receipt> receipt = Shown(number, &response);
    if (!receipt) return response;
    if (receipt->bin.empty()) {
        return JsonError(404, "receipt " + number + " has no bytes kept to decode");
    }
    response.type = "text/plain; charset=utf-8";
    for (const std::string& line : m_station.ReceiptTrace(receipt->number)) {
        response.body += line + "\n";
    }
    return response;
}

std::optional<HttpResponse> HttpView::GetPaper(const std::string&, HttpRequest&,
                                               const HttpServer::Reply&) {
    HttpResponse response;
    response.type = "image/png";
    std::lock_guard<std::mutex> guard(m_lock);
    // While viewers watch, the picture the station last told of, drawn once for all of them.
    if (!m_paper || m_hub.Viewers() == 0) {
        m_paper = std::make_shared<const PaperImage>(m_station.Printer().Snapshot());
        ++m_paperVersion;
    }
    if (m_encodedVersion != m_paperVersion) {
        std::string error;
        // Blank paper is one white row, so the page's picture keeps the paper's width.
        const PaperImage blank{
            m_paper->width, 1,
            std::vector<std::uint8_t>(static_cast<std::size_t>(m_paper->width), 255)};
        if (!EncodePng(m_paper->height > 0 ? *m_paper : blank, &m_encoded, &error)) {
            return JsonError(500, "the paper cannot be drawn: " + error);
        }
        m_encodedVersion = m_paperVersion;
    }
    response.body.assign(m_encoded.begin(), m_encoded.end());
    return response;
}

std::optional<HttpResponse> HttpView::PutCondition(const std::string& name, HttpRequest& request,
                                                   const HttpServer::Reply&) {
    const CommandSet commands = m_station.Printer().Model().commands;
    const std::optional<Condition> condition = ParseCondition(name, commands);
    if (!condition) {
        return JsonError(404, "this printer has no condition '" + name +
                                  "' (conditions: " + ConditionNameList(commands) + ")");
    }
    const json body = json::parse(request.body, nullptr, false);
    if (body.is_discarded() || !body.is_object() || !body.contains("on") ||
        !body["on"].is_boolean()) {
        return JsonError(400, "the body must be JSON like {\"on\": true}");
    }
    const bool on = body["on"].get<bool>();
    m_station.SetCondition(*condition, on);
    return Json({{"name", ConditionName(*condition, commands)}, {"on", on}});
}

std::optional<HttpResponse> HttpView::PostJob(const std::string&, HttpRequest& request,
                                              const HttpServer::Reply& reply) {
    if (request.body.empty()) return JsonError(400, "the job is empty: send the printer's bytes");
    const std::size_t bytes = request.body.size();
    const bool queued = m_jobs->Submit(
        std::move(request.body), [this, reply, earlier = m_station.ReceiptCount()](
                                     const auto& result) { reply(JobAnswer(result, earlier)); });
    if (!queued) {
        return JsonError(503, "too many jobs wait already (" + std::to_string(bytes) +
                                  " bytes not printed); try again");
    }
    return std::nullopt;
}

HttpResponse HttpView::JobAnswer(const HttpJobs::Result& result, std::size_t earlier) const {
    if (result.status != 200) return JsonError(result.status, result.error);
    std::string receipts = "[";
    // Not the whole list: a test suite's ten-thousandth job would copy every receipt before it.
    for (const Receipt& receipt : m_station.ReceiptsSince(earlier)) {
        if (receipt.source != result.peer) continue;
        receipts += (receipts.size() > 1 ? "," : "") + ReceiptJson(receipt);
    }
    static const char kHex[] = "0123456789abcdef";
    std::string replies;
    for (unsigned char c : result.replies) {
        replies += kHex[c >> 4];
        replies += kHex[c & 15];
    }
    HttpResponse response;
    response.body = "{\"source\":" + JsonText(json(result.peer)) +
                    ",\"bytes\":" + std::to_string(result.sent) + ",\"replies\":\"" + replies +
                    "\",\"receipts\":" + receipts + "]}\n";
    return response;
}

std::optional<HttpResponse> HttpView::GetEvents(const std::string&, HttpRequest&,
                                                const HttpServer::Reply&) {
    HttpResponse response;
    response.stream = m_hub.Open("event: hello\ndata: " + StatusJson() + "\n\n");
    return response;
}

void HttpView::OnStationEvent(const StationEvent& event) {
    if (const auto* paper = std::get_if<PaperChanged>(&event)) {
        std::uint64_t version = 0;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_paper = paper->paper;
            version = ++m_paperVersion;
        }
        m_hub.PublishNewest("paper",
                            JsonText({{"version", version},
                                      {"receiptsBefore", paper->receiptsBefore},
                                      {"height", paper->paper ? paper->paper->height : 0}}));
    } else if (const auto* finished = std::get_if<ReceiptFinished>(&event)) {
        const Receipt& receipt = finished->receipt;
        Size size;
        if (receipt.image) {
            size = Size{receipt.image->width, receipt.image->height};
            std::lock_guard<std::mutex> guard(m_lock);
            m_sizes[receipt.number] = size;
            if (receipt.png.empty()) {
                m_unsaved.emplace_back(receipt.number, receipt.image);
                if (m_unsaved.size() > kUnsavedPictures) m_unsaved.pop_front();
            }
        }
        if (m_hub.Viewers() > 0) {
            // Made only if it is sent: of a flood, only the newest of each tenth of a second are,
            // and this is the printer's own thread.
            Receipt meta = receipt;
            meta.image.reset();
            m_hub.PublishGathered("receipts", [meta = std::move(meta), size, started = m_started] {
                return ReceiptJson(meta, size, started);
            });
        }
    } else if (const auto* changed = std::get_if<ConditionChanged>(&event)) {
        const CommandSet commands = m_station.Printer().Model().commands;
        m_hub.Publish("condition", JsonText({{"name", ConditionName(changed->condition, commands)},
                                             {"on", changed->on}}));
    } else if (std::holds_alternative<StatusChanged>(event)) {
        // Told with every refresh while bytes arrive; only the newest counts, and sending it at
        // once would send everything held with it, 25 times a second to every viewer.
        m_hub.PublishNewest("status", StatusJson());
    } else if (const auto* closed = std::get_if<ConnectionClosed>(&event)) {
        if (m_jobs) m_jobs->Closed(closed->peer);
    } else if (const auto* failed = std::get_if<SaveFailed>(&event)) {
        m_hub.Publish("notice", JsonText(json{{"text", failed->sentence}}));
    } else if (const auto* notice = std::get_if<Notice>(&event)) {
        m_hub.Publish("notice", JsonText(json{{"text", notice->sentence}}));
    }
}

}  // namespace emu
