// CCommPort: the worker threads, event dispatch and the queue steps they share.
#include "engine/CommPort.h"
#include "engine/QueueLock.h"

namespace {

constexpr DWORD kFailedCount = 0xFFFFFFFFu;
constexpr DWORD kSendBite = 1024;
constexpr DWORD kStartFailureWaitMs = 500;
constexpr DWORD kPendingSettleMs = 10;
constexpr DWORD kFailedWaitPauseMs = 10;
constexpr DWORD kPollIntervalMs = 50;
constexpr DWORD kSendPassMs = 200;
constexpr DWORD kServicePassMs = 50;
constexpr DWORD kDrainStepMs = 50;
constexpr DWORD kNoProgressPauseMs = 10;

}  // namespace

DWORD CCommPort::EventThreadEntry(LPVOID pPort) {
    return static_cast<CCommPort*>(pPort)->EventThread();
}
DWORD CCommPort::PollThreadEntry(LPVOID pPort) {
    return static_cast<CCommPort*>(pPort)->PollThread();
}
DWORD CCommPort::SendThreadEntry(LPVOID pPort) {
    return static_cast<CCommPort*>(pPort)->SendThread();
}

bool CCommPort::AnyThread() const {
    return m_eventWorker.m_hThread != nullptr || m_pollWorker.m_hThread != nullptr ||
           m_sendWorker.m_hThread != nullptr;
}

DWORD CCommPort::QueueCount(CByteQueue& queue) {
    CQueueLock hold(queue);
    return queue.GetCount();
}

bool CCommPort::StartThreads(DWORD dwExtraMode) {
    if (AnyThread()) return false;
    m_bRunning = true;
    // Decided from the mode as it stood before the extra flags.
    const DWORD creationFlags = (m_dwMode & COMM_MODE_SUSPENDED) ? CREATE_SUSPENDED : 0;
    if (dwExtraMode != 0) m_dwMode |= dwExtraMode;

    struct Plan {
        DWORD flag;
        CommWorker* worker;
        LPTHREAD_START_ROUTINE entry;
        DWORD threadId;
    };
    Plan plans[] = {{COMM_MODE_EVENT_THREAD, &m_eventWorker, &EventThreadEntry, 0},
                    {COMM_MODE_POLL_THREAD, &m_pollWorker, &PollThreadEntry, 0},
                    {COMM_MODE_SEND_THREAD, &m_sendWorker, &SendThreadEntry, 0}};
    for (Plan& plan : plans) {
        if (m_dwMode & plan.flag)
            plan.worker->m_hThread =
                CreateThread(nullptr, 0, plan.entry, this, creationFlags, &plan.threadId);
    }
    for (Plan& plan : plans) {
        if (!(m_dwMode & plan.flag)) continue;
        plan.worker->m_dwThreadId = plan.threadId;
        if (plan.worker->m_hThread == nullptr || plan.threadId == 0) {
            StopThreads(kStartFailureWaitMs);
            return false;
        }
        if (m_dwMode & COMM_MODE_HIGH_PRIORITY)
            SetThreadPriority(plan.worker->m_hThread, THREAD_PRIORITY_ABOVE_NORMAL);
    }
    return true;
}

void CCommPort::WaitForSendQueueDrain(DWORD dwStallMs) {
    // A port that takes nothing would hold Close here forever; the wait ends once the queue has
    // not shrunk for the time each worker is given to end.
    DWORD last = QueueCount(m_txQueue);
    DWORD stalledMs = 0;
    while (last != 0) {
        Sleep(kDrainStepMs);
        const DWORD count = QueueCount(m_txQueue);
        if (count < last) {
            last = count;
            stalledMs = 0;
            continue;
        }
        last = count;
        stalledMs += kDrainStepMs;
        if (stalledMs >= dwStallMs) break;
    }
}

bool CCommPort::StopThreads(DWORD dwWaitMs) {
    if (!AnyThread()) return false;
    if ((m_dwMode & COMM_MODE_DRAIN_ON_CLOSE) && (m_dwMode & COMM_MODE_QUEUED_WRITE))
        WaitForSendQueueDrain(dwWaitMs);
    m_bRunning = false;
    // Releases an event thread blocked in WaitCommEvent.
    SetCommMask(m_hPort, 0);
    bool stopped = true;
    bool portClosed = false;
    for (CommWorker* worker : {&m_eventWorker, &m_pollWorker, &m_sendWorker}) {
        if (worker->m_hThread == nullptr) continue;
        SetEvent(worker->m_hWakeEvent);
        if (WaitForSingleObject(worker->m_hThread, dwWaitMs) != WAIT_OBJECT_0 &&
            !TerminateThread(worker->m_hThread, 0)) {
            WaitOutStuckWorker(*worker, portClosed);
            stopped = false;
        }
        CloseHandle(worker->m_hThread);
        worker->m_hThread = nullptr;
    }
    // Cleared only now: a stuck worker read the handle's value until it ended.
    if (portClosed) m_hPort = INVALID_HANDLE_VALUE;
    return stopped;
}

void CCommPort::WaitOutStuckWorker(const CommWorker& worker, bool& portClosed) {
    // The thread runs inside this object without reaching a platform call, so it could not be
    // ended. Returning would leave it running in an object about to close or go away; instead
    // the port is closed under it, which fails its next call on the port, and it is waited for.
    NKDbgPrintfW(
        L"%s worker thread %u does not stop; port closed, waiting for the thread to end\r\n",
        m_szPortName, static_cast<unsigned>(worker.m_dwThreadId));
    if (!portClosed && IsOpen()) {
        CloseHandle(m_hPort);
        portClosed = true;
    }
    WaitForSingleObject(worker.m_hThread, INFINITE);
}

int CCommPort::ReceiveStep(DWORD dwWaiting, DWORD dwRequest) {
    if (m_dwMode & COMM_MODE_QUEUED_READ) {
        ReceiveToQueue(dwRequest);
        return QueueCount(m_rxQueue) >= m_nReceiveThreshold ? OnReceive() : 0;
    }
    // OnReceive reads the bytes itself.
    return dwWaiting >= m_nReceiveThreshold ? OnReceive() : 0;
}

DWORD CCommPort::ReceiveToQueue(DWORD dwRequest) {
    CQueueLock hold(m_rxQueue);
    if (dwRequest == 0) return 0;
    // The port reads straight into queue memory; the lock keeps the space in place meanwhile.
    std::uint8_t* space = m_rxQueue.Reserve(dwRequest);
    return space != nullptr ? m_rxQueue.Commit(ReadPort(space, dwRequest)) : 0;
}

DWORD CCommPort::SendFromQueue(DWORD dwLimit) {
    if (m_dwMode & COMM_MODE_OVERLAPPED) {
        CQueueLock hold(m_txQueue);
        if (m_txQueue.GetCount() == 0) return 0;
        DWORD length = 0;
        const std::uint8_t* front = m_txQueue.Front(&length);
        if (length > dwLimit) length = dwLimit;
        const DWORD written = WritePort(front, length);
        m_txQueue.Pop(nullptr, written);
        return written;
    }

    std::uint8_t bite[kSendBite];
    DWORD popped = 0;
    {
        CQueueLock hold(m_txQueue);
        popped = m_txQueue.Pop(bite, dwLimit < kSendBite ? dwLimit : kSendBite);
    }
    DWORD written = 0;
    while (written < popped) {
        const DWORD step = WritePort(bite + written, popped - written);
        written += step;
        if (step != 0) continue;
        // A port that fails at once (device gone) would turn the retries into a busy loop, and
        // once the workers are told to stop there is nobody left to wait for.
        if (!m_bRunning) break;
        Sleep(kNoProgressPauseMs);
    }
    return popped;
}

void CCommPort::QueuedSendCheck() {
    if (!(m_dwMode & COMM_MODE_QUEUED_WRITE)) return;
    if (QueueCount(m_txQueue) != 0) SendFromQueue(kSendBite);
}

void CCommPort::DrainSendQueue() {
    // A step that sends nothing means the port takes nothing now; the next pass tries again.
    while (m_bRunning && QueueCount(m_txQueue) != 0 && SendFromQueue(kSendBite) != 0) {
    }
}

DWORD CCommPort::EventThread() {
    if (!IsOpen()) return 1;
    if (!SetCommMask(m_hPort, m_dwEventMask)) return 1;
    const bool sendsQueued =
        (m_dwMode & COMM_MODE_QUEUED_WRITE) && !(m_dwMode & COMM_MODE_SEND_THREAD);
    // Write releases the wait by re-setting the mask, but a release that comes while this thread
    // is not waiting is lost. Write also sets this event, so such bytes are sent at the next pass
    // instead of sitting until some unrelated line event.
    HANDLE sendRequest = m_eventWorker.m_hWakeEvent;
    while (m_bRunning && IsOpen()) {
        DWORD events = 0;
        const DWORD pending = GetPendingCount(true);
        if (pending == kFailedCount && DeviceVanished()) break;
        // A failed count is taken as bytes waiting, so the receive hook gets to see the port.
        if (pending != 0) {
            events = EV_RXCHAR;
            Sleep(kPendingSettleMs);
        } else if (sendsQueued && WaitForSingleObject(sendRequest, 0) == WAIT_OBJECT_0) {
            events = 0;
        } else if (!WaitCommEvent(m_hPort, &events, nullptr)) {
            if (DeviceVanished()) break;
            // A wait that fails at once must not spin.
            Sleep(kFailedWaitPauseMs);
            continue;
        }
        if (events != 0) {
            DispatchEvents(events);
        } else if (sendsQueued) {
            ResetEvent(sendRequest);
            QueuedSendCheck();
        }
    }
    return 0;
}

bool CCommPort::DeviceVanished() {
    if (GetLastError() != ERROR_DEVICE_NOT_CONNECTED) return false;
    // Every later call on the port fails at once, so polling it would only burn time. Said once;
    // the thread then sleeps until StopThreads wakes it.
    NKDbgPrintfW(L"%s the device has gone (%hs); no more line events until the port is closed\r\n",
                 m_szPortName, platform::LastErrorText().c_str());
    while (m_bRunning) {
        WaitForSingleObject(m_eventWorker.m_hWakeEvent, INFINITE);
        // A queued Write sets the event too; only the stop ends the wait.
        if (m_bRunning) ResetEvent(m_eventWorker.m_hWakeEvent);
    }
    return true;
}

int CCommPort::DispatchEvents(DWORD dwEvents) {
    int result = 0;
    if ((dwEvents & EV_RXCHAR) && !(m_dwMode & COMM_MODE_POLL_THREAD)) {
        const DWORD waiting = GetPendingCount(true);
        if (waiting != 0) result = ReceiveStep(waiting, (waiting + 32) * 2);
    }
    if (dwEvents & EV_TXEMPTY) {
        if ((m_dwMode & COMM_MODE_QUEUED_WRITE) && !(m_dwMode & COMM_MODE_SEND_THREAD))
            QueuedSendCheck();
        result = OnTxEmpty();
    }
    if (dwEvents & EV_RXFLAG) result = OnRxFlag();
    if (dwEvents & EV_CTS) result = OnCtsChange();
    if (dwEvents & EV_DSR) result = OnDsrChange();
    if (dwEvents & EV_RING) result = OnRing();
    if (dwEvents & EV_RLSD) result = OnCarrierChange();
    if (dwEvents & EV_BREAK) result = OnBreak();
    if (dwEvents & EV_ERR) result = OnLineError();
    if (dwEvents & EV_POWER) result = OnPowerEvent();
    return result;
}

DWORD CCommPort::PollThread() {
    while (m_bRunning) {
        Sleep(kPollIntervalMs);
        const DWORD waiting = GetPendingCount(true);
        if (waiting == 0 || waiting == kFailedCount) continue;
        ReceiveStep(waiting, waiting);
    }
    return 0;
}

DWORD CCommPort::SendThread() {
    while (m_bRunning) {
        const bool woken =
            WaitForSingleObject(m_sendWorker.m_hWakeEvent, kSendPassMs) == WAIT_OBJECT_0;
        // The wake event is manual-reset: left set, every later wait would return at once.
        if (woken) ResetEvent(m_sendWorker.m_hWakeEvent);
        DrainSendQueue();
        if (woken) ResetEvent(m_eventWorker.m_hWakeEvent);
    }
    return 0;
}

DWORD CCommPort::ServiceLoop() {
    if (!IsOpen()) return 1;
    while (m_bRunning && IsOpen()) {
        const DWORD wait = WaitForSingleObject(m_eventWorker.m_hWakeEvent, kServicePassMs);
        if (!m_bRunning) break;
        if (wait == WAIT_OBJECT_0) {
            if (m_dwMode & COMM_MODE_QUEUED_WRITE) DrainSendQueue();
            ResetEvent(m_eventWorker.m_hWakeEvent);
        } else if (wait == WAIT_TIMEOUT) {
            const DWORD waiting = GetPendingCount(true);
            if (waiting != 0 && waiting != kFailedCount) ReceiveStep(waiting, waiting);
            QueuedSendCheck();
        }
    }
    return 0;
}
