// The printer in a browser, and an HTTP interface that test suites drive: one more view of a
// PrinterStation. It serves the page (compiled in), the printer's state and receipts as JSON and
// files, the conditions to set, print jobs, and the live events the page follows.
//
//   GET    /                      the page
//   GET    /api/status            model, conditions, sleep, line, connections, counts
//   GET    /api/receipts          the receipts shown, oldest first (meta)
//   GET    /api/receipts/N        one receipt's meta; N.png, N.bin (its bytes), N.trace
//   DELETE /api/receipts          clears what is shown (the files stay)
//   GET    /api/paper.png         the paper in progress
//   PUT    /api/conditions/NAME   {"on": true|false}
//   POST   /api/jobs              raw printer bytes; answers once printed, with its receipts
//   GET    /api/events            server-sent events: hello, paper, receipt, condition, status,
//                                 notice, cleared
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "emulator/http/EventStream.h"
#include "emulator/http/HttpJobs.h"
#include "emulator/http/HttpServer.h"
#include "emulator/http/HttpService.h"
#include "emulator/http/RequestGuard.h"
#include "emulator/station/PrinterStation.h"

namespace emu {

class HttpView : public HttpService, private StationView {
  public:
    explicit HttpView(PrinterStation& station,
                      const HttpServer::Limits& limits = HttpServer::Limits());
    ~HttpView() override;
    HttpView(const HttpView&) = delete;
    HttpView& operator=(const HttpView&) = delete;

    bool Open(const ListenAddress& address, std::string* error, bool* inUse = nullptr) override;
    bool Start(std::string* error) override;
    // The destructor stops too.
    void Stop() override;

    // What --help says of the interface: a line per route.
    static std::string InterfaceText();

    std::string Address() const override;
    std::uint16_t Port() const { return m_server.Listener().Port(); }
    std::size_t Viewers() const { return m_hub.Viewers(); }

    // One route of the interface: answers now, or returns nothing and answers through reply.
    struct Route;
    using Answer = std::optional<HttpResponse> (HttpView::*)(const std::string& name,
                                                             HttpRequest& request,
                                                             const HttpServer::Reply& reply);

  private:
    static const Route kRoutes[];
    // Pictures of receipts that have no file, kept for GET N.png.
    static constexpr std::size_t kUnsavedPictures = 32;

    void OnStationEvent(const StationEvent& event) override;
    bool WantsLiveState() const override { return m_hub.Viewers() > 0; }

    std::optional<HttpResponse> Screen(const HttpRequest& request) const;
    void Handle(HttpRequest&& request, const HttpServer::Reply& reply);

    std::optional<HttpResponse> GetPage(const std::string&, HttpRequest&, const HttpServer::Reply&);
    std::optional<HttpResponse> GetScript(const std::string&, HttpRequest&,
                                          const HttpServer::Reply&);
    std::optional<HttpResponse> GetStyle(const std::string&, HttpRequest&,
                                         const HttpServer::Reply&);
    std::optional<HttpResponse> GetStatus(const std::string&, HttpRequest&,
                                          const HttpServer::Reply&);
    std::optional<HttpResponse> GetReceipts(const std::string&, HttpRequest&,
                                            const HttpServer::Reply&);
    std::optional<HttpResponse> ClearReceipts(const std::string&, HttpRequest&,
                                              const HttpServer::Reply&);
    std::optional<HttpResponse> GetReceipt(const std::string& number, HttpRequest&,
                                           const HttpServer::Reply&);
    std::optional<HttpResponse> GetReceiptPng(const std::string& number, HttpRequest&,
                                              const HttpServer::Reply&);
    std::optional<HttpResponse> GetReceiptBin(const std::string& number, HttpRequest&,
                                              const HttpServer::Reply&);
    std::optional<HttpResponse> GetReceiptTrace(const std::string& number, HttpRequest&,
                                                const HttpServer::Reply&);
    std::optional<HttpResponse> GetPaper(const std::string&, HttpRequest&,
                                         const HttpServer::Reply&);
    std::optional<HttpResponse> PutCondition(const std::string& name, HttpRequest& request,
                                             const HttpServer::Reply&);
    std::optional<HttpResponse> PostJob(const std::string&, HttpRequest& request,
                                        const HttpServer::Reply& reply);
    std::optional<HttpResponse> GetEvents(const std::string&, HttpRequest&,
                                          const HttpServer::Reply&);

    // The receipt shown under that number, or a 404 answer.
    std::optional<Receipt> Shown(const std::string& number, HttpResponse* missing) const;
    std::string StatusJson() const;
    struct Size {
        int width = 0, height = 0;
    };
    std::string ReceiptJson(const Receipt& receipt) const;
    // Made from copies alone, so it can be made later on the event hub's thread.
    static std::string ReceiptJson(const Receipt& receipt, Size size,
                                   std::chrono::system_clock::time_point started);
    // earlier: how many receipts there were when the job came (its own are among the later ones).
    HttpResponse JobAnswer(const HttpJobs::Result& result, std::size_t earlier) const;

    PrinterStation& m_station;
    HttpServer m_server;
    std::optional<RequestGuard> m_guard;
    ListenAddress m_address;
    EventHub m_hub;
    std::unique_ptr<HttpJobs> m_jobs;
    bool m_subscribed = false;
    // The wall clock when the station started, for receipts' times.
    std::chrono::system_clock::time_point m_started;

    mutable std::mutex m_lock;
    int m_clearedThrough = 0;                   // receipts up to this number are no longer shown
    std::size_t m_clearedCount = 0;             // how many they are: the first of Receipts()
    std::shared_ptr<const PaperImage> m_paper;  // as last told, while viewers watch
    std::uint64_t m_paperVersion = 0;
    std::uint64_t m_encodedVersion = ~0ull;
    std::vector<std::uint8_t> m_encoded;
    // The size of every receipt told (the station keeps no pictures), and the pictures of the
    // last few that were not saved as files, to be served still.
    std::map<int, Size> m_sizes;
    std::deque<std::pair<int, std::shared_ptr<const PaperImage>>> m_unsaved;
};

}  // namespace emu
