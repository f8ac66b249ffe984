// A CCommPort that records each hook call (name, thread, the send queue's count at that moment)
// and, in OnReceive, reads what is waiting the way a derived channel would. It opens the engine's
// protected state to the tests.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "engine/CommPort.h"
#include "tests/support/WaitUntil.h"

namespace enginetest {

struct HookCall {
    std::string name;
    DWORD threadId;
    DWORD sendQueueCount;
};

class RecordingPort : public CCommPort {
  public:
    explicit RecordingPort(DWORD mode, bool readOnReceive = true)
        : CCommPort(mode), m_readOnReceive(readOnReceive) {}
    // The workers call the overridden hooks: stop them while this object is still whole.
    ~RecordingPort() override { Close(500); }

    int OnReceive() override {
        Record("OnReceive");
        // A full buffer may mean more is waiting (in the queue, or in the driver).
        DWORD got = sizeof m_buffer;
        while (m_readOnReceive && got == sizeof m_buffer) {
            got = Read(m_buffer, sizeof m_buffer);
            std::lock_guard<std::mutex> hold(m_mutex);
            m_received.insert(m_received.end(), m_buffer, m_buffer + got);
        }
        return CCommPort::OnReceive();
    }
    int OnDsrChange() override { return Record("OnDsrChange"), CCommPort::OnDsrChange(); }
    int OnCtsChange() override { return Record("OnCtsChange"), CCommPort::OnCtsChange(); }
    int OnBreak() override { return Record("OnBreak"), CCommPort::OnBreak(); }
    int OnTxEmpty() override { return Record("OnTxEmpty"), CCommPort::OnTxEmpty(); }
    int OnLineError() override { return Record("OnLineError"), CCommPort::OnLineError(); }
    int OnRing() override { return Record("OnRing"), CCommPort::OnRing(); }
    int OnCarrierChange() override {
        return Record("OnCarrierChange"), CCommPort::OnCarrierChange();
    }
    int OnRxFlag() override { return Record("OnRxFlag"), CCommPort::OnRxFlag(); }
    int OnPowerEvent() override { return Record("OnPowerEvent"), CCommPort::OnPowerEvent(); }

    std::vector<HookCall> Calls() {
        std::lock_guard<std::mutex> hold(m_mutex);
        return m_calls;
    }
    std::vector<HookCall> CallsOf(const std::string& name) {
        std::vector<HookCall> found;
        for (const HookCall& call : Calls())
            if (call.name == name) found.push_back(call);
        return found;
    }
    std::vector<std::uint8_t> Received() {
        std::lock_guard<std::mutex> hold(m_mutex);
        return m_received;
    }

    DWORD Mode() const { return m_dwMode; }
    HANDLE PortHandle() const { return m_hPort; }
    int PortNumber() const { return m_nPort; }
    std::wstring PortName() const { return m_szPortName; }
    DCB* OwnDcb() { return &m_dcb; }
    COMMTIMEOUTS* OwnTimeouts() { return &m_timeouts; }
    bool Running() const { return m_bRunning; }
    const CommWorker& EventWorker() const { return m_eventWorker; }
    const CommWorker& PollWorker() const { return m_pollWorker; }
    const CommWorker& SendWorker() const { return m_sendWorker; }
    DWORD SendQueueCount() { return Count(m_txQueue); }
    DWORD ReceiveQueueCount() { return Count(m_rxQueue); }

  private:
    void Record(const char* name) {
        const DWORD queued = Count(m_txQueue);
        std::lock_guard<std::mutex> hold(m_mutex);
        m_calls.push_back({name, GetCurrentThreadId(), queued});
    }
    static DWORD Count(CByteQueue& queue) {
        EnterCriticalSection(&queue.m_lock);
        const DWORD count = queue.GetCount();
        LeaveCriticalSection(&queue.m_lock);
        return count;
    }

    bool m_readOnReceive;
    std::uint8_t m_buffer[4096];  // used by the one worker that runs OnReceive
    std::mutex m_mutex;
    std::vector<HookCall> m_calls;
    std::vector<std::uint8_t> m_received;
};

using testsupport::WaitUntil;

}  // namespace enginetest
