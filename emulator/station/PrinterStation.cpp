#include "emulator/station/PrinterStation.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <utility>

namespace emu {

namespace {

// At the end, the printer takes what the host wrote, at once, as long as it keeps taking bytes;
// short enough that a stop with paper out still ends within two seconds.
constexpr std::chrono::milliseconds kTakeStall(500);

std::string DescribeLine(const LineSettings& line) {
    return (line.baud > 0 ? std::to_string(line.baud) + " baud 8N1"
                          : std::string("no line speed set")) +
           ", handshake " + DescribeHandshake(line.handshake);
}

// "a receipt from SOURCE was not saved: REASON" from the folder's "not saved: REASON".
std::string NotSavedSentence(std::string reason, const std::string& source) {
    static const std::string kPrefix = "not saved: ";
    if (reason.rfind(kPrefix, 0) == 0) reason.erase(0, kPrefix.size());
    return "a receipt from " + source + " was not saved: " + reason;
}

}  // namespace

PrinterStation::PrinterStation(const PrinterModel& model, int widthDots)
    : m_model(model), m_widthDots(widthDots), m_printer(model, widthDots) {
    m_printer.SetReceiptCallback([this](FinishedReceipt&& finished) {
        const double seconds = Seconds();
        {
            std::lock_guard<std::mutex> guard(m_queueLock);
            ++m_unsaved;
        }
        Post([this, f = std::move(finished), seconds]() mutable {
            SaveAndTell(std::move(f), seconds);
            {
                std::lock_guard<std::mutex> guard(m_queueLock);
                --m_unsaved;
            }
            m_savedWake.notify_all();
        });
    });
    m_printer.SetPeripheralCallback([this](const Peripheral& pulse, const std::string& source) {
        if (const auto* kick = std::get_if<DrawerKick>(&pulse)) {
            Post([this, e = DrawerKicked{*kick, source}] { Tell(e); });
        } else if (const auto* buzzer = std::get_if<Buzzer>(&pulse)) {
            Post([this, e = BuzzerSounded{*buzzer, source}] { Tell(e); });
        }
    });
    m_link.SetConnectionCallback([this](const ConnectionEvent& event) { OnConnection(event); });
    m_toldConditions = m_printer.ConditionsOn();
}

PrinterStation::~PrinterStation() { Stop(); }

bool PrinterStation::PrepareReceipts(const std::filesystem::path& folder, std::string* error,
                                     const ReceiptFolder::Limits& limits) {
    m_saving = m_receipts.Prepare(folder, error, limits);
    return m_saving;
}

bool PrinterStation::OpenPty(std::string* error) { return m_link.OpenPty(error); }

bool PrinterStation::OpenDevice(const std::string& path, std::string* error) {
    return m_link.OpenDevice(path, error);
}

bool PrinterStation::Listen(const ListenAddress& address, std::string* error, bool* inUse) {
    return m_link.Listen(address, error, inUse);
}

void PrinterStation::SetLinkName(const std::string& name) { m_linkName = name; }

bool PrinterStation::Start(std::string* error) {
    if (!m_thread.joinable()) {
        {
            std::lock_guard<std::mutex> guard(m_queueLock);
            m_stopThread = false;
            m_running = true;
        }
        m_thread = std::thread([this] { Run(); });
    }
    if (m_link.DevicePath().empty() && m_link.Listener().Fd() < 0) return true;
    m_printer.SetSource(m_link.LineSource());
    return m_link.Start(error);
}

void PrinterStation::Stop() {
    if (m_link.Running()) {
        DrainLine();
        m_link.Stop();
    }
    if (!m_thread.joinable()) return;
    m_printer.Finish();
    EndReceipt();
    Flush();
    {
        std::lock_guard<std::mutex> guard(m_queueLock);
        m_stopThread = true;
    }
    m_wake.notify_all();
    m_thread.join();
    std::lock_guard<std::mutex> guard(m_queueLock);
    m_running = false;
    m_savedWake.notify_all();
    m_doneWake.notify_all();
}

void PrinterStation::DrainLine() {
    if (const std::size_t left = m_link.TakeWhatWasWritten(kTakeStall); left > 0) {
        const std::string sentence =
            std::to_string(left) + " bytes the host wrote were not printed (" +
            (m_printer.Waiting() > 0 ? "waiting for paper" : "the printer is busy") + ")";
        m_printer.Note(sentence);
        Post([this, e = Notice{sentence}] { Tell(e); });
    }
}

std::size_t PrinterStation::Feed(const std::uint8_t* data, std::size_t length,
                                 const std::string& source) {
    {
        // A captured stream decodes faster than its receipts are written: it waits for the
        // saving rather than hold every receipt's dots in memory until then.
        std::unique_lock<std::mutex> guard(m_queueLock);
        m_savedWake.wait(guard, [this] { return m_unsaved < kUnsavedReceipts || !m_running; });
    }
    if (m_printer.Source() != source) m_printer.SetSource(source);
    return m_printer.Feed(data, length);
}

void PrinterStation::EndReceipt() { m_printer.EndReceipt(); }

void PrinterStation::SetCondition(Condition condition, bool on) {
    m_printer.SetCondition(condition, on);
    PostConditionChanges();
}

void PrinterStation::PostConditionChanges() {
    std::lock_guard<std::mutex> guard(m_conditionsLock);
    const ConditionSet now = m_printer.ConditionsOn();
    const ConditionSet changed = now ^ m_toldConditions;
    m_toldConditions = now;
    for (const ConditionRow& row : ConditionsOf(m_model.commands)) {
        if ((changed & Mask(row.condition)) == 0) continue;
        const bool on = (now & Mask(row.condition)) != 0;
        Post([this, e = ConditionChanged{row.condition, on, now}] { Tell(e); });
    }
}

void PrinterStation::OnConnection(const ConnectionEvent& event) {
    {
        std::lock_guard<std::mutex> guard(m_stateLock);
        auto found = std::find_if(m_connections.begin(), m_connections.end(),
                                  [&](const Connection& c) { return c.peer == event.peer; });
        switch (event.kind) {
            case ConnectionEvent::Kind::Waiting:
                m_connections.push_back(Connection{event.peer, false});
                break;
            case ConnectionEvent::Kind::Opened:
                if (found != m_connections.end()) found->printing = true;
                break;
            case ConnectionEvent::Kind::Closed:
                if (found != m_connections.end()) m_connections.erase(found);
                break;
        }
    }
    switch (event.kind) {
        case ConnectionEvent::Kind::Waiting:
            Post([this, e = ConnectionWaiting{event.peer, event.waiting}] { Tell(e); });
            break;
        case ConnectionEvent::Kind::Opened:
            Post([this, e = ConnectionOpened{event.peer, event.waiting}] { Tell(e); });
            break;
        case ConnectionEvent::Kind::Closed:
            // A job ends with its connection: what it printed is a receipt, not the start of the
            // next job's.
            m_printer.EndReceipt();
            Post([this, e = ConnectionClosed{event.peer, event.how, event.waiting}] { Tell(e); });
            break;
    }
}

void PrinterStation::Flush() {
    std::unique_lock<std::mutex> guard(m_queueLock);
    const std::uint64_t target = m_posted;
    m_doneWake.wait(guard, [&] { return m_done >= target || !m_running; });
}

void PrinterStation::Subscribe(StationView* view) {
    std::lock_guard<std::mutex> guard(m_viewsLock);
    m_views.push_back(view);
    m_retell = true;  // the new view learns the paper and the state at the next refresh
    UpdateTrace();
}

void PrinterStation::Unsubscribe(StationView* view) {
    std::lock_guard<std::mutex> guard(m_viewsLock);
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
    UpdateTrace();
}

// With m_viewsLock held.
void PrinterStation::UpdateTrace() {
    const bool wanted = std::any_of(m_views.begin(), m_views.end(),
                                    [](const StationView* v) { return v->WantsTrace(); });
    const bool everyByte = std::any_of(m_views.begin(), m_views.end(), [](const StationView* v) {
        return v->WantsTrace() && v->WantsEveryByte();
    });
    if (wanted == m_tracing && everyByte == m_tracingEveryByte) return;
    m_tracing = wanted;
    m_tracingEveryByte = everyByte;
    if (!wanted) return m_printer.SetTraceCallback(nullptr);
    m_printer.SetTraceCallback(
        [this](const std::string& line, const std::string& source) {
            Post([this, e = TraceEntry{Seconds(), source, line}] { Tell(e); });
        },
        everyByte);
}

std::vector<Receipt> PrinterStation::Receipts() const {
    std::lock_guard<std::mutex> guard(m_stateLock);
    return m_saved;
}

std::vector<Receipt> PrinterStation::ReceiptsSince(std::size_t count) const {
    std::lock_guard<std::mutex> guard(m_stateLock);
    return {m_saved.begin() + static_cast<long>(std::min(count, m_saved.size())), m_saved.end()};
}

std::vector<Receipt> PrinterStation::ReceiptsBetween(int after, int before,
                                                     std::size_t last) const {
    std::lock_guard<std::mutex> guard(m_stateLock);
    auto begin = std::upper_bound(m_saved.begin(), m_saved.end(), after,
                                  [](int number, const Receipt& r) { return number < r.number; });
    const auto end =
        std::lower_bound(begin, m_saved.end(), before,
                         [](const Receipt& r, int number) { return r.number < number; });
    if (static_cast<std::size_t>(end - begin) > last) begin = end - static_cast<long>(last);
    return {begin, end};
}

std::size_t PrinterStation::ReceiptCount() const {
    std::lock_guard<std::mutex> guard(m_stateLock);
    return m_saved.size();
}

std::optional<Receipt> PrinterStation::FindReceipt(int number) const {
    std::lock_guard<std::mutex> guard(m_stateLock);
    const auto found =
        std::lower_bound(m_saved.begin(), m_saved.end(), number,
                         [](const Receipt& r, int wanted) { return r.number < wanted; });
    if (found == m_saved.end() || found->number != number || number == 0) return std::nullopt;
    return *found;
}

std::vector<std::string> PrinterStation::ReceiptTrace(int number) const {
    const std::optional<Receipt> receipt = FindReceipt(number);
    if (!receipt || receipt->bin.empty()) return {};
    std::ifstream in(receipt->bin, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    VirtualPrinter replay(m_model, m_widthDots);
    std::vector<std::string> lines;
    replay.SetTraceCallback(
        [&lines](const std::string& line, const std::string&) { lines.push_back(line); });
    replay.Feed(bytes.data(), bytes.size());
    replay.Finish();
    return lines;
}

std::vector<PrinterStation::Connection> PrinterStation::Connections() const {
    std::lock_guard<std::mutex> guard(m_stateLock);
    return m_connections;
}

double PrinterStation::Seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
}

std::string PrinterStation::Where() const {
    std::string where;
    if (!m_link.DevicePath().empty()) {
        where = m_link.DevicePath();
        if (!m_linkName.empty()) where += " (" + m_linkName + ")";
    }
    if (m_link.Listener().Fd() >= 0) {
        where += (where.empty() ? "" : " and ") + std::string("TCP ") + m_link.Listener().Name();
    }
    return where.empty() ? std::string("no line") : where;
}

std::string PrinterStation::DescribeState() const {
    const LineSettings line = m_printer.Line();
    std::string text = "Printer on " + Where() + " · " + DescribeLine(line);
    const bool pty = !m_link.DevicePath().empty() && m_link.LineSource() == "pty";
    if (pty) {
        const HostLine host = m_link.Host();
        text += "\nHost: " + (host.baud > 0 ? host.Describe() : std::string("not opened yet"));
        if (host.baud > 0 && !host.Readable(line.baud)) {
            text += "\nThe two sides differ: the host's bytes arrive as framing errors (" +
                    std::to_string(m_link.FramingErrors()) +
                    " so far),\nnot printed. Set both to the same speed and 8N1.";
        } else if (host.baud > 0 && host.handshake != line.handshake) {
            text +=
                "\nThe two sides use different flow control:\nthe printer's buffer can overrun.";
        }
    }
    const std::vector<Connection> connections = Connections();
    if (!connections.empty()) {
        std::string printing;
        std::size_t waiting = 0;
        for (const Connection& c : connections) {
            if (c.printing) printing = c.peer;
            waiting += c.printing ? 0 : 1;
        }
        text += "\n" + (printing.empty() ? std::string("No connection prints")
                                         : "Connection " + printing + " prints");
        if (waiting > 0) text += " · " + std::to_string(waiting) + " waiting";
    }
    text += "\n" + m_printer.DescribeActivity();
    if (const std::string stopped = m_receipts.Stopped(); !stopped.empty()) {
        text += "\nReceipts are no longer saved: " + stopped;
    }
    return text;
}

void PrinterStation::Post(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> guard(m_queueLock);
        m_tasks.push_back(std::move(task));
        ++m_posted;
    }
    m_wake.notify_all();
}

void PrinterStation::Tell(const StationEvent& event) {
    std::lock_guard<std::mutex> guard(m_viewsLock);
    for (StationView* view : m_views) view->OnStationEvent(event);
}

void PrinterStation::SaveAndTell(FinishedReceipt&& finished, double seconds) {
    Receipt receipt;
    bool tell = false;  // once saving has stopped, only the first receipt refused is said
    receipt.source = finished.source;
    receipt.seconds = seconds;
    receipt.bytes = finished.bytes.size();
    receipt.image = std::make_shared<const PaperImage>(std::move(finished.image));
    if (ReceiptFolder::IsBlank(*receipt.image)) return;
    if (m_saving) {
        const bool keepBytes = m_keepBytes && finished.bytesComplete;
        const ReceiptFolder::Result result =
            m_receipts.Save(*receipt.image, keepBytes ? &finished.bytes : nullptr);
        receipt.png = result.path;
        receipt.bin = result.bin;
        receipt.number = result.number;
        if (result.stopped) {
            receipt.error =
                "stopped saving receipts: " + m_receipts.Stopped() + "; later paper is not saved";
        } else if (!result.error.empty()) {
            receipt.error = NotSavedSentence(result.error, finished.source);
        }
        tell = !result.error.empty() && (!result.stopped || result.firstStop);
    }
    {
        std::lock_guard<std::mutex> guard(m_stateLock);
        // Without a folder, receipts are numbered in the order of the run.
        if (receipt.number == 0) receipt.number = static_cast<int>(m_saved.size()) + 1;
        // The list keeps no picture: the views have it from the event and the file holds it,
        // so a long run's memory does not grow with its receipts' dots.
        m_saved.push_back(receipt);
        m_saved.back().image.reset();
    }
    if (tell) Tell(SaveFailed{receipt.error});
    Tell(ReceiptFinished{receipt});
}

void PrinterStation::Refresh() {
    // At most once a kRefresh however many tasks come: telling the paper takes a snapshot of it.
    const auto now = std::chrono::steady_clock::now();
    if (now - m_refreshed < kRefresh && !m_retell) return;
    m_refreshed = now;
    {
        std::lock_guard<std::mutex> guard(m_viewsLock);
        if (std::none_of(m_views.begin(), m_views.end(),
                         [](const StationView* v) { return v->WantsLiveState(); }))
            return;
    }
    if (m_retell.exchange(false)) {
        m_shownBytes = ~0ull;
        m_shownState.clear();
    }
    const std::uint64_t bytes = m_printer.Received();
    const std::uint64_t receipts = ReceiptCount();
    // Data held while paper is out prints when it is back, with no new byte arriving.
    const std::size_t waiting = m_printer.Waiting();
    if (bytes != m_shownBytes || receipts != m_shownReceipts || waiting != m_shownWaiting) {
        m_shownBytes = bytes;
        m_shownReceipts = receipts;
        m_shownWaiting = waiting;
        Tell(PaperChanged{std::make_shared<const PaperImage>(m_printer.Snapshot()), receipts});
    }
    std::string state = DescribeState();
    if (state != m_shownState) {
        m_shownState = state;
        Tell(StatusChanged{std::move(state)});
    }
}

void PrinterStation::Run() {
    std::unique_lock<std::mutex> guard(m_queueLock);
    for (;;) {
        if (m_tasks.empty()) {
            if (m_stopThread) break;
            m_wake.wait_for(guard, kRefresh, [this] { return !m_tasks.empty() || m_stopThread; });
        }
        std::deque<std::function<void()>> tasks;
        tasks.swap(m_tasks);
        guard.unlock();
        for (const std::function<void()>& task : tasks) task();
        PostConditionChanges();  // the printer changes some by itself
        Refresh();
        guard.lock();
        m_done += tasks.size();
        m_doneWake.notify_all();
    }
}

}  // namespace emu
