// The printer's HTTP side, in one run against its own baselines: how soon a change of the paper
// reaches a viewer's event stream; a print job posted over HTTP against the same bytes sent over
// raw TCP; and the printer's throughput with 50 live viewers (each following the events and
// fetching the paper's picture at every change, as the page does) against none.
#include <curl/curl.h>
#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/BenchCommon.h"
#include "bench/ReceiptArrivals.h"
#include "emulator/http/HttpView.h"
#include "emulator/station/PrinterStation.h"
#include "tests/support/HostEnd.h"
#include "tests/support/HttpClient.h"

namespace {

using Clock = std::chrono::steady_clock;
using bench::Seconds;
using Bytes = std::vector<std::uint8_t>;
using emutest::HostEnd;

// A printer saving receipts, on a TCP port, with its HTTP side.
struct Printer {
    emu::PrinterStation station;
    bench::ReceiptArrivals count;
    std::unique_ptr<emu::HttpView> http;

    ~Printer() {
        http.reset();
        station.Stop();
        station.Unsubscribe(&count);
    }
    explicit Printer(const std::filesystem::path& folder) {
        station.Subscribe(&count);
        std::string error;
        if (!station.PrepareReceipts(folder, &error) || !station.Listen({"127.0.0.1", 0}, &error) ||
            !station.Start(&error)) {
            std::fprintf(stderr, "cannot start the printer: %s\n", error.c_str());
            std::exit(1);
        }
        http = std::make_unique<emu::HttpView>(station);
        if (!http->Open({"127.0.0.1", 0}, &error) || !http->Start(&error)) {
            std::fprintf(stderr, "cannot serve HTTP: %s\n", error.c_str());
            std::exit(1);
        }
    }
    std::uint16_t Tcp() const { return station.GetLink().Listener().Port(); }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(http->Port()) + path;
    }
};

// The viewer whose events are timed: its stream read raw, asked for as a browser asks (HTTP/1.1,
// so it comes in chunks; the printer's sends here are small, and each is read as one chunk).
struct Viewer {
    HostEnd socket;
    std::string seen;

    explicit Viewer(const Printer& p) : socket(HostEnd::ConnectTcp(p.http->Port())) {
        const std::string request =
            "GET /api/events HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(p.http->Port()) +
            "\r\n\r\n";
        socket.Write(Bytes(request.begin(), request.end()));
    }
    // Reads what comes within waitMs: how many bytes (none: nothing came), and in paperTold
    // whether they brought "event: paper". Only the new bytes are looked through (and what may
    // be the start of a name split between reads kept).
    std::size_t Read(int waitMs, bool* paperTold) {
        static constexpr std::string_view kMarker = "event: paper";
        *paperTold = false;
        pollfd ready{socket.Fd(), POLLIN, 0};
        if (::poll(&ready, 1, waitMs) <= 0) return 0;
        char buffer[64 * 1024];
        const ssize_t n = ::read(socket.Fd(), buffer, sizeof buffer);
        if (n <= 0) return 0;
        seen.append(buffer, static_cast<std::size_t>(n));
        *paperTold = seen.find(kMarker) != std::string::npos;
        seen.erase(0, seen.size() - std::min(seen.size(), kMarker.size() - 1));
        return static_cast<std::size_t>(n);
    }
};

// Milliseconds from a line sent over TCP to the paper event at a viewer.
std::vector<double> PaperLatencies(Printer& p, int samples) {
    Viewer viewer(p);
    HostEnd job = HostEnd::ConnectTcp(p.Tcp());
    std::vector<double> times;
    bool told = false;
    for (int i = 0; i < samples; ++i) {
        while (viewer.Read(60, &told) > 0) {  // what earlier lines brought, until it is quiet
        }
        const std::string line = "line " + std::to_string(i) + "\n";
        const Clock::time_point start = Clock::now();
        job.Write(Bytes(line.begin(), line.end()));
        for (told = false; !told && Seconds(Clock::now() - start) < 5;) viewer.Read(1000, &told);
        times.push_back(Seconds(Clock::now() - start) * 1000);
    }
    return times;
}

// Seconds from the first byte sent over raw TCP to the last receipt saved.
double TcpTime(Printer& p, const Bytes& stream, int receipts) {
    const std::size_t before = p.count.finished.load();
    const Clock::time_point start = Clock::now();
    {
        HostEnd job = HostEnd::ConnectTcp(p.Tcp());
        // As fast as the printer takes it: waiting in poll, as a client's blocking write does.
        for (std::size_t done = 0; done < stream.size();) {
            pollfd ready{job.Fd(), POLLOUT, 0};
            ::poll(&ready, 1, -1);
            const ssize_t n = ::write(job.Fd(), stream.data() + done, stream.size() - done);
            if (n > 0) done += static_cast<std::size_t>(n);
        }
    }
    while (p.count.finished.load() < before + static_cast<std::size_t>(receipts))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return Seconds(Clock::now() - start);
}

// Seconds from the start of the POST to its answer (given once the job has printed).
double PostTime(Printer& p, const Bytes& stream) {
    const Clock::time_point start = Clock::now();
    const testsupport::HttpAnswer answer =
        testsupport::Http("POST", p.Url("/api/jobs"), std::string(stream.begin(), stream.end()));
    if (answer.status != 200) std::fprintf(stderr, "POST /api/jobs: %s\n", answer.body.c_str());
    return Seconds(Clock::now() - start);
}

// Viewers that follow the events and fetch the paper at every change, as a browser's pages do:
// all on one thread, one libcurl event loop (50 threads waking would cost the two cores more
// than the printer's HTTP side does, and the figure is the printer's).
class Crowd {
  public:
    Crowd(Printer& p, int viewers) : m_viewers(static_cast<std::size_t>(viewers)) {
        m_multi = curl_multi_init();
        for (Watcher& w : m_viewers) {
            w.events = curl_easy_init();
            w.picture = curl_easy_init();
            curl_easy_setopt(w.events, CURLOPT_URL, p.Url("/api/events").c_str());
            curl_easy_setopt(w.events, CURLOPT_WRITEDATA, &w);
            curl_easy_setopt(w.events, CURLOPT_WRITEFUNCTION, &Crowd::OnEvents);
            curl_easy_setopt(w.picture, CURLOPT_URL, p.Url("/api/paper.png").c_str());
            curl_easy_setopt(w.picture, CURLOPT_WRITEFUNCTION, &Crowd::OnPicture);
            curl_easy_setopt(w.picture, CURLOPT_PRIVATE, &w);
            curl_multi_add_handle(m_multi, w.events);
        }
        m_thread = std::thread([this] { Run(); });
        while (p.http->Viewers() < m_viewers.size())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~Crowd() {
        Stop();
        for (Watcher& w : m_viewers) {
            curl_multi_remove_handle(m_multi, w.events);
            curl_multi_remove_handle(m_multi, w.picture);
            curl_easy_cleanup(w.events);
            curl_easy_cleanup(w.picture);
        }
        curl_multi_cleanup(m_multi);
    }
    void Stop() {
        if (!m_thread.joinable()) return;
        m_stop = true;
        curl_multi_wakeup(m_multi);
        m_thread.join();
    }
    // After Stop: pictures fetched, and the seconds of CPU the viewers' loop took.
    long Pictures() const { return m_pictures; }
    double CpuSeconds() const { return m_cpu; }

  private:
    struct Watcher {
        CURL* events = nullptr;
        CURL* picture = nullptr;
        std::string tail;     // what may be the start of a name split between writes
        bool told = false;    // the paper changed since its picture was asked for
        bool asking = false;  // a picture is on its way
    };

    // Only the new bytes are looked through: receipts' events are long, and a client that
    // searched all it had would cost more than the printer.
    static std::size_t OnEvents(char* data, std::size_t size, std::size_t count, void* out) {
        static constexpr std::string_view kMarker = "event: paper";
        Watcher& w = *static_cast<Watcher*>(out);
        const std::string_view bytes(data, size * count);
        const std::size_t head = std::min(bytes.size(), kMarker.size() - 1);
        w.tail.append(bytes.substr(0, head));
        if (w.tail.find(kMarker) != std::string::npos || bytes.find(kMarker) != std::string::npos)
            w.told = true;
        w.tail.assign(bytes.substr(bytes.size() - head));
        return size * count;
    }
    static std::size_t OnPicture(char*, std::size_t size, std::size_t count, void*) {
        return size * count;
    }

    void Run() {
        while (!m_stop) {
            int running = 0;
            curl_multi_perform(m_multi, &running);
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
                if (message->msg != CURLMSG_DONE) continue;
                Watcher* w = nullptr;
                curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &w);
                if (w == nullptr) continue;  // an event stream that ended
                long status = 0;
                curl_easy_getinfo(w->picture, CURLINFO_RESPONSE_CODE, &status);
                if (message->data.result == CURLE_OK && status == 200) ++m_pictures;
                curl_multi_remove_handle(m_multi, w->picture);
                w->asking = false;
            }
            for (Watcher& w : m_viewers) {
                if (!w.told || w.asking) continue;
                w.told = false;
                w.asking = true;
                curl_multi_add_handle(m_multi, w.picture);
            }
            curl_multi_poll(m_multi, nullptr, 0, 1000, nullptr);
        }
        timespec used{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
        m_cpu = static_cast<double>(used.tv_sec) + used.tv_nsec * 1e-9;
    }

    std::vector<Watcher> m_viewers;
    CURLM* m_multi = nullptr;
    std::atomic<bool> m_stop{false};
    long m_pictures = 0;
    double m_cpu = 0;
    std::thread m_thread;
};

}  // namespace

int main(int argc, char** argv) {
    int megabytes = 1;
    int samples = 200;
    int viewers = 50;
    int passes = 8;
    int exitCode = 0;
    if (!bench::ParseArguments(
            argc, argv, "bench_emulator_http",
            "Times a change of the paper to its event at a viewer (goal: median < 100 ms), a job\n"
            "posted over HTTP against the same bytes over raw TCP (goal: <= 1.2x), and the\n"
            "printer's throughput with live viewers against none (goal: >= 0.9).",
            {{"megabytes", &megabytes, "size of the job"},
             {"samples", &samples, "paper changes timed"},
             {"viewers", &viewers, "live viewers"},
             {"passes", &passes, "passes per path, the best counts"}},
            exitCode))
        return exitCode;

    const std::filesystem::path folder = bench::RunFolder("bench_emulator_http");
    int receipts = 0;
    const Bytes stream = bench::ReceiptStream(static_cast<std::size_t>(megabytes) << 20, &receipts);
    std::printf("load average: %s\n", bench::LoadAverage().c_str());
    std::printf("job: %zu bytes, %d receipts, each saved as PNG\n", stream.size(), receipts);
    {
        Printer p(folder);
        const std::vector<double> latency = PaperLatencies(p, samples);
        std::printf(
            "paper change to its event at a viewer: median %.1f ms, p99 %.1f ms "
            "(goal: median < 100 ms)\n",
            bench::Percentile(latency, 0.5), bench::Percentile(latency, 0.99));

        // Passes in the order A B B A A B …, the best of each: what drifts over the run (the
        // machine's other load, the folder filling with every pass's receipts) falls on both.
        const auto abba = [passes](const auto& a, const auto& b) {
            for (int pass = 0; pass < passes; ++pass) {
                if (pass % 2 == 0) {
                    a();
                    b();
                } else {
                    b();
                    a();
                }
            }
        };
        double tcp = 1e9, post = 1e9;
        abba([&] { tcp = std::min(tcp, TcpTime(p, stream, receipts)); },
             [&] { post = std::min(post, PostTime(p, stream)); });
        std::printf(
            "to the last receipt (best of %d): raw TCP %.3f s, POST /api/jobs %.3f s, "
            "POST/TCP %.2fx (goal <= 1.2x)\n",
            passes, tcp, post, post / tcp);

        // Each watched pass against the pass without viewers beside it, the median of those:
        // the machine's speed drifts between passes by more than the viewers cost.
        std::vector<double> alone, watched, shares, clients;
        long pictures = 0;
        abba([&] { alone.push_back(TcpTime(p, stream, receipts)); },
             [&] {
                 Crowd crowd(p, viewers);
                 watched.push_back(TcpTime(p, stream, receipts));
                 crowd.Stop();
                 pictures += crowd.Pictures();
                 clients.push_back(crowd.CpuSeconds());
             });
        for (std::size_t pass = 0; pass < watched.size(); ++pass)
            shares.push_back(alone[pass] / watched[pass]);
        std::printf(
            "printer throughput with %d live viewers (%ld pictures fetched) against none: "
            "median %.3f s against %.3f s, %.2f of it pass by pass (goal >= 0.9); the viewers "
            "took %.3f s of CPU a pass\n",
            viewers, pictures, bench::Percentile(watched, 0.5), bench::Percentile(alone, 0.5),
            bench::Percentile(shares, 0.5), bench::Percentile(clients, 0.5));
    }
    std::filesystem::remove_all(folder);
    return 0;
}
