#include "tests/printer/WriteRecorder.h"

#include <mutex>

// The test executable is linked with --wrap for WriteFile's symbol: calls from the engine land in
// RecordedWriteFile, and RealWriteFile is the platform's own.
BOOL RealWriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
                   DWORD* lpNumberOfBytesWritten,
                   LPVOID lpOverlapped) __asm__("__real__Z9WriteFilePvPKvjPjS_");
BOOL RecordedWriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
                       DWORD* lpNumberOfBytesWritten,
                       LPVOID lpOverlapped) __asm__("__wrap__Z9WriteFilePvPKvjPjS_");

namespace {

std::mutex g_lock;
bool g_recording = false;
std::vector<printertest::Bytes> g_writes;

}  // namespace

BOOL RecordedWriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
                       DWORD* lpNumberOfBytesWritten, LPVOID lpOverlapped) {
    {
        std::lock_guard<std::mutex> hold(g_lock);
        if (g_recording) {
            const BYTE* bytes = static_cast<const BYTE*>(lpBuffer);
            g_writes.emplace_back(bytes, bytes + nNumberOfBytesToWrite);
        }
    }
    return RealWriteFile(hFile, lpBuffer, nNumberOfBytesToWrite, lpNumberOfBytesWritten,
                         lpOverlapped);
}

namespace printertest {

WriteRecorder::WriteRecorder() {
    std::lock_guard<std::mutex> hold(g_lock);
    g_writes.clear();
    g_recording = true;
}

WriteRecorder::~WriteRecorder() { Stop(); }

std::vector<Bytes> WriteRecorder::Stop() {
    std::lock_guard<std::mutex> hold(g_lock);
    g_recording = false;
    std::vector<Bytes> writes;
    writes.swap(g_writes);
    return writes;
}

}  // namespace printertest
