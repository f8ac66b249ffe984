#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <thread>

#include "emulator/http/EventStream.h"
#include "emulator/http/HttpView.h"
#include "emulator/http/RequestGuard.h"
#include "emulator/station/PrinterStation.h"
#include "tests/emulator/StreamBytes.h"
#include "tests/support/HostEnd.h"
#include "tests/support/HttpClient.h"
#include "tests/support/TempDir.h"

namespace {

using emutest::HostEnd;
using nlohmann::json;
using testsupport::Http;
using testsupport::HttpAnswer;
using namespace std::string_literals;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// A printer on a TCP port, saving receipts, with its HTTP side on a port of its own.
struct HttpFixture {
    testsupport::TempDir dir;
    emu::PrinterStation station;
    std::unique_ptr<emu::HttpView> http;

    explicit HttpFixture(const emu::HttpServer::Limits& limits = {},
                         const std::string& folder = "out") {
        std::string error;
        EXPECT_TRUE(station.PrepareReceipts(dir / folder, &error)) << error;
        EXPECT_TRUE(station.Listen({"127.0.0.1", 0}, &error)) << error;
        EXPECT_TRUE(station.Start(&error)) << error;
        http = std::make_unique<emu::HttpView>(station, limits);
        EXPECT_TRUE(http->Open({"127.0.0.1", 0}, &error)) << error;
        EXPECT_TRUE(http->Start(&error)) << error;
    }
    std::string Host() const { return "127.0.0.1:" + std::to_string(http->Port()); }
    std::string Url(const std::string& path) const { return "http://" + Host() + path; }
    HttpAnswer Get(const std::string& path) { return Http("GET", Url(path)); }
    // A raw connection to the HTTP port, for what no well-behaved client sends.
    HostEnd Raw() { return HostEnd::ConnectTcp(http->Port()); }
    // Prints over the printer's own TCP port, as a point-of-sale program does.
    void PrintOverTcp(const std::string& bytes) {
        HostEnd client = HostEnd::ConnectTcp(station.GetLink().Listener().Port());
        ASSERT_TRUE(client.Write(Bytes(bytes)));
    }
};

// What arrives on a raw connection until it holds the text (or the time is up).
std::string ReadUntil(HostEnd& end, const std::string& text, std::string* so = nullptr,
                      int timeoutMs = 10000) {
    std::string got = so ? *so : std::string();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{end.Fd(), POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        char buffer[4096];
        const ssize_t n = ::read(end.Fd(), buffer, sizeof buffer);
        if (n == 0 || (n < 0 && errno != EAGAIN)) break;  // the server closed it
        if (n > 0) got.append(buffer, static_cast<std::size_t>(n));
    }
    if (so) *so = got;
    return got;
}

const std::string kJob =
    "HTTP job\n\x1d"
    "V\x00"s;

TEST(HttpApi, AnswersEveryEndpointAndError) {
    HttpFixture f;
    const HttpAnswer job = Http("POST", f.Url("/api/jobs"), kJob);
    ASSERT_EQ(job.status, 200) << job.body;
    const json printed = json::parse(job.body);
    ASSERT_EQ(printed["receipts"].size(), 1u) << job.body;
    EXPECT_EQ(printed["receipts"][0]["number"], 1);
    EXPECT_EQ(printed["receipts"][0]["source"], printed["source"]);
    EXPECT_EQ(printed["bytes"], kJob.size());
    EXPECT_EQ(printed["receipts"][0]["width"], 384);
    EXPECT_GT(printed["receipts"][0]["height"], 0);

    const std::string self = "http://" + f.Host();
    struct Row {
        const char* method;
        std::string path, body;
        std::vector<std::string> headers;
        long status;
        std::string contains;
    } const rows[] = {
        {"GET", "/", "", {}, 200, "<!DOCTYPE html>"},
        {"GET", "/page.js", "", {}, 200, "EventSource"},
        {"GET", "/page.css", "", {}, 200, ":root"},
        {"HEAD", "/api/status", "", {}, 200, ""},
        {"GET", "/api/status", "", {}, 200, "\"model\":\"module\""},
        {"GET", "/api/receipts", "", {}, 200, "\"number\":1"},
        {"GET", "/api/receipts?last=1", "", {}, 200, "\"number\":1"},
        {"GET", "/api/receipts?before=1&last=5", "", {}, 200, "[]"},
        {"GET", "/api/receipts?last=-1", "", {}, 400, "takes ?last=K and ?before=N"},
        {"GET", "/api/receipts?page=2", "", {}, 400, "not page=2"},
        {"GET", "/api/receipts/1", "", {}, 200, "\"png\":\"/api/receipts/1.png\""},
        {"GET", "/api/receipts/1.png", "", {}, 200, "PNG"},
        {"GET", "/api/paper.png", "", {}, 200, "PNG"},
        {"GET", "/api/receipts/2", "", {}, 404, "there is no receipt 2"},
        {"GET", "/api/receipts/2.png", "", {}, 404, "there is no receipt 2"},
        {"GET", "/api/receipts/1.txt", "", {}, 404, "there is nothing at"},
        {"GET", "/api/receipts/-1", "", {}, 404, "there is nothing at"},
        {"GET", "/api/receipts/1234567890123", "", {}, 404, "there is nothing at"},
        {"GET", "/api/receipts/../../../etc/passwd", "", {}, 404, "there is nothing at"},
        {"GET", "/api/receipts/..%2f..%2fetc%2fpasswd.png", "", {}, 404, "there is nothing"},
        {"GET", "/api/receipts/%31.png", "", {}, 200, "PNG"},  // "1", escaped
        {"GET", "/nothing", "", {}, 404, "there is nothing at /nothing"},
        {"POST", "/api/status", "x", {}, 405, "use GET"},
        {"GET", "/api/jobs", "", {}, 405, "use POST"},
        {"POST", "/api/jobs", "", {}, 400, "the job is empty"},
        {"PUT", "/api/conditions/paper-out", "{\"on\": true}", {}, 200, "\"on\":true"},
        {"PUT", "/api/conditions/paper-out", "{\"on\": false}", {}, 200, "\"on\":false"},
        {"PUT", "/api/conditions/paper-out", "on", {}, 400, "must be JSON like"},
        {"PUT", "/api/conditions/paper-out", "{\"on\": 1}", {}, 400, "JSON like"},
        {"PUT", "/api/conditions/paper-out", "[true]", {}, 400, "JSON like"},
        {"PUT", "/api/conditions/paper-out", "", {}, 400, "JSON like"},
        {"PUT", "/api/conditions/wet", "{\"on\": true}", {}, 404, "no condition 'wet'"},
        {"PUT", "/api/conditions/../jobs", "{\"on\": true}", {}, 404, "there is nothing"},
        {"GET",
         "/api/status",
         "",
         {"Host: printer.example:" + std::to_string(f.http->Port())},
         421,
         "does not name this printer's address"},
        {"GET", "/api/status", "", {"Host: 127.0.0.1:1"}, 421, "does not name"},
        {"GET",
         "/api/status",
         "",
         {"Host: localhost:" + std::to_string(f.http->Port())},
         200,
         "\"model\""},
        {"PUT",
         "/api/conditions/cutter",
         "{\"on\": true}",
         {"Origin: http://shop.example"},
         403,
         "the page at http://shop.example may not change"},
        {"DELETE", "/api/receipts", "", {"Sec-Fetch-Site: cross-site"}, 403, "another site"},
        {"POST", "/api/jobs", kJob, {"Origin: null"}, 403, "may not change"},
        {"PUT", "/api/conditions/cutter", "{\"on\": false}", {"Origin: " + self}, 200, "cutter"},
    };
    for (const Row& row : rows) {
        const HttpAnswer a = Http(row.method, f.Url(row.path), row.body, row.headers);
        const std::string name = std::string(row.method) + " " + row.path;
        EXPECT_EQ(a.status, row.status) << name << ": " << a.body;
        EXPECT_NE(a.body.find(row.contains), std::string::npos) << name << ": " << a.body;
        if (a.status >= 400) {
            EXPECT_EQ(a.type, "application/json") << name;
            EXPECT_TRUE(json::parse(a.body, nullptr, false).contains("error")) << name;
        }
    }
    EXPECT_EQ(f.station.Receipts().size(), 1u) << "a refused job printed";

    // The receipt's bytes and commands, where the station keeps them.
    const json meta = json::parse(f.Get("/api/receipts/1").body);
    if (meta["bin"].is_null()) {
        EXPECT_EQ(f.Get("/api/receipts/1.bin").status, 404);
        EXPECT_EQ(f.Get("/api/receipts/1.trace").status, 404);
    } else {
        EXPECT_EQ(f.Get("/api/receipts/1.bin").body, kJob);
        EXPECT_NE(f.Get("/api/receipts/1.trace").body.find("HTTP job"), std::string::npos);
    }

    // Clearing the view keeps the files.
    EXPECT_EQ(Http("DELETE", f.Url("/api/receipts")).status, 200);
    EXPECT_EQ(f.Get("/api/receipts").body, "[]\n");
    EXPECT_EQ(f.Get("/api/receipts/1").status, 404);
    EXPECT_TRUE(std::filesystem::exists(meta["file"].get<std::string>()));
}

// A folder's name need not be UTF-8, JSON must be: its bytes are shown as U+FFFD, and the printer
// goes on (the JSON library throws on them).
TEST(HttpApi, AFolderNameNotInUtf8IsShownNotFatal) {
    HttpFixture f({}, "re\xe7u");
    const HttpAnswer job = Http("POST", f.Url("/api/jobs"), kJob);
    EXPECT_EQ(job.status, 200) << job.body;
    for (const char* path : {"/api/status", "/api/receipts", "/api/receipts/1"}) {
        const HttpAnswer a = f.Get(path);
        EXPECT_EQ(a.status, 200) << path;
        EXPECT_NE(a.body.find("re\xef\xbf\xbdu"), std::string::npos) << path << ": " << a.body;
    }
}

TEST(HttpApi, EventsFollowThePaperTheReceiptsAndTheConditions) {
    HttpFixture f;
    HostEnd events = f.Raw();
    // HTTP/1.0: the stream comes as it is, not in chunks that could split what is looked for.
    ASSERT_TRUE(events.Write(Bytes("GET /api/events HTTP/1.0\r\nHost: " + f.Host() + "\r\n\r\n")));
    std::string stream;
    ASSERT_NE(ReadUntil(events, "event: hello", &stream).find("text/event-stream"),
              std::string::npos)
        << stream;
    f.PrintOverTcp("live\n");
    EXPECT_NE(ReadUntil(events, "event: paper", &stream).find("event: paper"), std::string::npos);
    f.PrintOverTcp("over TCP\n\x1dV\x00"s);
    ReadUntil(events, "event: receipts\ndata: [{", &stream);
    EXPECT_NE(ReadUntil(events, "\"number\":1,", &stream).find("event: receipts"),
              std::string::npos);
    ASSERT_EQ(Http("PUT", f.Url("/api/conditions/platen"), "{\"on\": true}").status, 200);
    const std::string told = "event: condition\ndata: {\"name\":\"platen\",\"on\":true}";
    EXPECT_NE(ReadUntil(events, told, &stream).find(told), std::string::npos) << stream;
    EXPECT_TRUE(f.station.GetCondition(emu::Condition::Platen));
}

// A job waits for the one printing over TCP and never mixes with it.
TEST(HttpApi, JobWaitsItsTurnAndAnswersWithItsOwnReceipts) {
    HttpFixture f;
    auto other =
        std::make_unique<HostEnd>(HostEnd::ConnectTcp(f.station.GetLink().Listener().Port()));
    ASSERT_TRUE(other->Write(Bytes("first half ")));
    ASSERT_TRUE(emutest::WaitUntil([&] { return f.station.Printer().Received() > 0; }));
    HttpAnswer job;
    std::thread post([&] { job = Http("POST", f.Url("/api/jobs"), "posted\n\x1dV\x00"s); });
    ASSERT_TRUE(emutest::WaitUntil([&] { return f.station.Connections().size() == 2; }));
    ASSERT_TRUE(other->Write(Bytes("second half\n")));
    other.reset();  // the first job ends
    post.join();
    ASSERT_EQ(job.status, 200) << job.body;
    const json answer = json::parse(job.body);
    ASSERT_EQ(answer["receipts"].size(), 1u) << job.body;
    EXPECT_EQ(answer["receipts"][0]["bytes"], 10);
    EXPECT_EQ(f.station.Receipts().size(), 2u);
}

TEST(HttpHostile, RefusedWithoutDisturbingThePrinter) {
    emu::HttpServer::Limits limits;
    limits.body = 64 * 1024;
    HttpFixture f(limits);
    const std::string head = "Host: " + f.Host() + "\r\n";
    struct Row {
        const char* name;
        std::string request;
        std::string answer;  // the status line's start
    } const rows[] = {
        {"body over the limit, announced",
         "POST /api/jobs HTTP/1.1\r\n" + head + "Content-Length: 70000\r\n\r\n", "HTTP/1.1 413"},
        {"body over the limit, chunked",
         "POST /api/jobs HTTP/1.1\r\n" + head + "Transfer-Encoding: chunked\r\n\r\n10000\r\n" +
             std::string(0x10000, 'x') + "\r\n10\r\n" + std::string(16, 'x') + "\r\n0\r\n\r\n",
         "HTTP/1.1 413"},
        {"no Host", "GET /api/status HTTP/1.0\r\n\r\n", "HTTP/1.1 421"},
        {"a head too long",
         "GET /api/status HTTP/1.1\r\n" + head + "X-Pad: " + std::string(64 * 1024, 'p') +
             "\r\n\r\n",
         "HTTP/1.1 4"},
        {"not HTTP", "\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03\r\n\r\n"s, ""},
    };
    for (const Row& row : rows) {
        HostEnd raw = f.Raw();
        raw.Write(Bytes(row.request));
        std::string got;
        ReadUntil(raw, "\r\n", &got);
        // Nothing expected: refused, or closed without a word.
        const bool refused = row.answer.empty() ? got.empty() || got.rfind("HTTP/1.1 4", 0) == 0
                                                : got.rfind(row.answer, 0) == 0;
        EXPECT_TRUE(refused) << row.name << ": " << got.substr(0, 80);
    }
    // A body cut short prints nothing; a client that sends half a head holds nobody up.
    {
        HostEnd cut = f.Raw();
        cut.Write(Bytes("POST /api/jobs HTTP/1.1\r\n" + head + "Content-Length: 1000\r\n\r\nab"));
    }
    HostEnd slow = f.Raw();
    slow.Write(Bytes("GET /api/sta"));
    HostEnd mute = f.Raw();  // a viewer that never reads
    mute.Write(Bytes("GET /api/events HTTP/1.1\r\n" + head + "\r\n"));
    EXPECT_EQ(f.Get("/api/status").status, 200);

    // Past the connection limit the printer still prints over TCP, and HTTP answers once the
    // crowd has gone.
    std::vector<HostEnd> crowd;
    for (int i = 0; i < 200; ++i) crowd.push_back(f.Raw());
    const std::string job = "through the crowd\n\x1dV\x00"s;
    f.PrintOverTcp(job);
    EXPECT_TRUE(emutest::WaitUntil([&] { return f.station.Receipts().size() == 1; }));
    crowd.clear();
    EXPECT_TRUE(emutest::WaitUntil([&] { return f.Get("/api/status").status == 200; }));
    EXPECT_EQ(f.station.Receipts().size(), 1u);
    EXPECT_EQ(f.station.Receipts()[0].bytes, job.size()) << "the cut body was printed";
}

TEST(HttpGuard, HostAndOriginNameThisPrinter) {
    struct Row {
        std::string listen, host;
        bool allowed;
    } const rows[] = {
        {"127.0.0.1", "127.0.0.1:8080", true},
        {"127.0.0.1", "localhost:8080", true},
        {"127.0.0.1", "LOCALHOST:8080", true},
        {"127.0.0.1", "127.0.0.1:8081", false},
        {"127.0.0.1", "127.0.0.1", false},
        {"127.0.0.1", "rebound.example:8080", false},
        {"127.0.0.1", "", false},
        {"::1", "[::1]:8080", true},
        {"::1", "[::1:8080", false},
        {"0.0.0.0", "192.168.1.20:8080", true},
        {"0.0.0.0", "printer.lan:8080", false},
        {"0.0.0.0", "localhost:8080", false},
        {"192.168.1.20", "192.168.1.20:8080", true},
        {"192.168.1.20", "localhost:8080", false},
    };
    for (const Row& row : rows) {
        const emu::RequestGuard guard({row.listen, 0}, 8080);
        EXPECT_EQ(!guard.RefusedHost(row.host), row.allowed) << row.listen << " / " << row.host;
    }
    const emu::RequestGuard guard({"127.0.0.1", 0}, 8080);
    EXPECT_FALSE(guard.RefusedOrigin("", "127.0.0.1:8080", ""));
    EXPECT_FALSE(guard.RefusedOrigin("http://127.0.0.1:8080", "127.0.0.1:8080", "same-origin"));
    EXPECT_TRUE(guard.RefusedOrigin("http://127.0.0.1:8080", "127.0.0.1:8080", "same-site"));
    EXPECT_TRUE(guard.RefusedOrigin("http://127.0.0.1:9999", "127.0.0.1:8080", ""));
    EXPECT_TRUE(guard.RefusedOrigin("null", "127.0.0.1:8080", ""));
}

// A viewer that stops reading costs a bounded buffer, then is dropped; others hear on.
TEST(HttpEvents, AViewerThatDoesNotReadIsDropped) {
    emu::EventHub hub;
    const std::shared_ptr<emu::EventStream> mute = hub.Open("");
    const std::shared_ptr<emu::EventStream> reader = hub.Open("");
    char buffer[64 * 1024];
    const std::string data(1000, 'd');
    for (int i = 0; i < 1000; ++i) {
        hub.Publish("paper", data);
        while (reader->Read(buffer, sizeof buffer, [] {}) > 0) {
        }
        EXPECT_LE(mute->Held(), emu::EventStream::kBound);
    }
    EXPECT_TRUE(mute->Ended());
    EXPECT_FALSE(reader->Ended());
    EXPECT_EQ(hub.Viewers(), 1u);
    EXPECT_EQ(mute->Read(buffer, sizeof buffer, [] {}), emu::EventStream::kEnded);
}

// Receipts finished in a burst go out together, the newest of them all, at most kMostGathered
// in one event; of the paper only the newest state counts; and neither comes after an event told
// later (a "cleared" sent before the receipts it clears would leave them shown). The hub's thread
// sends, so how a burst is cut into events varies: what must hold is checked, not one cut.
TEST(HttpEvents, HeldEventsKeepTheirOrder) {
    emu::EventHub hub;
    const std::shared_ptr<emu::EventStream> stream = hub.Open("");
    std::string told;
    std::vector<std::vector<std::string>> events;  // each: its name, then its items
    const auto hear = [&] {
        char buffer[4096];
        for (long n; (n = stream->Read(buffer, sizeof buffer, [] {})) > 0;)
            told.append(buffer, static_cast<std::size_t>(n));
        events.clear();
        const std::regex event("event: (\\w+)\ndata: \\[?([^\\]\n]*)");
        for (std::sregex_iterator m(told.begin(), told.end(), event), end; m != end; ++m) {
            events.push_back({(*m)[1].str()});
            std::stringstream items((*m)[2].str());
            for (std::string item; std::getline(items, item, ',');) events.back().push_back(item);
        }
        return !events.empty() && events.back() == std::vector<std::string>{"receipts", "last"};
    };
    const int burst = static_cast<int>(emu::EventHub::kMostGathered) + 5;
    for (int i = 1; i <= burst; ++i)
        hub.PublishGathered("receipts", [i] { return std::to_string(i); });
    for (int i = 1; i <= 3; ++i) hub.PublishNewest("paper", std::to_string(i));
    hub.Publish("cleared", "{}");
    hub.PublishGathered("receipts", [] { return std::string("last"); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!hear() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(hear()) << told;

    std::vector<int> receipts;
    std::string after;  // the events after the last receipt of the burst
    for (const std::vector<std::string>& e : events) {
        if (e[0] == "receipts" && e[1] != "last") {
            EXPECT_LE(e.size() - 1, emu::EventHub::kMostGathered) << told;
            for (std::size_t i = 1; i < e.size(); ++i) receipts.push_back(std::stoi(e[i]));
            after.clear();
        } else {
            after += (after.empty() ? "" : " ") + e[0] + e[1];
        }
    }
    EXPECT_TRUE(std::is_sorted(receipts.begin(), receipts.end(), std::less_equal<>()))
        << "each once, in order: " << told;
    for (int i = burst - static_cast<int>(emu::EventHub::kMostGathered) + 1; i <= burst; ++i)
        EXPECT_NE(std::find(receipts.begin(), receipts.end(), i), receipts.end()) << i;
    EXPECT_TRUE(
        std::regex_match(after, std::regex("(paper[12] )*paper3 cleared\\{\\} receiptslast")))
        << told;
}

}  // namespace
