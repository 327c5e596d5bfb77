// Windows x86-64: a vectored handler for every thread, and the system's
// thread-creation function diverted so that threads of this process begin in
// the guard's thread-start wrapper.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <span>

#include "crash/crash_guard.h"
#include "crash/trampoline.h"

namespace xl::crash {
namespace {

using CreateRemoteThreadExFn = HANDLE(WINAPI*)(HANDLE, LPSECURITY_ATTRIBUTES, SIZE_T,
                                               LPTHREAD_START_ROUTINE, LPVOID, DWORD,
                                               LPPROC_THREAD_ATTRIBUTE_LIST, LPDWORD);
using CreateRemoteThreadFn = HANDLE(WINAPI*)(HANDLE, LPSECURITY_ATTRIBUTES, SIZE_T,
                                             LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD);

// The system calls the replacements and the handler with its own arguments
// only, so what they need lives in these process-wide variables: written once
// at installation, kept until the process ends.
std::atomic<CreateRemoteThreadExFn> g_originalEx{nullptr};
std::atomic<CreateRemoteThreadFn> g_original{nullptr};
std::atomic<bool> g_installStarted{false};
std::atomic<Interception> g_interception{Interception::None};
std::atomic<bool> g_reportingEnabled{false};
std::atomic<long> g_wrappedThreads{0};
// Marks threads that began in the wrapper. A system TLS slot rather than
// thread_local: the threads library re-seats its own per-thread storage when a
// standard thread starts, after the wrapper has run.
std::atomic<DWORD> g_wrappedSlot{TLS_OUT_OF_INDEXES};

// Passes the caller's start routine and parameter to the new thread.
struct ThreadStartBlock {
    LPTHREAD_START_ROUTINE start;
    LPVOID parameter;
};

constexpr std::size_t kNearBlockSize = 4096;
constexpr std::size_t kTrampolineOffset = 16;  // after the relay's 14-byte jump
constexpr std::size_t kPrologueWindow = 32;    // bytes read to find whole instructions
// A little short of 2 GiB, so every byte of the block is within rel32 reach.
constexpr std::uint64_t kNearReach = 0x7FF00000;

DWORD WINAPI ThreadStartWrapper(LPVOID parameter) {
    auto* block = static_cast<ThreadStartBlock*>(parameter);
    const ThreadStartBlock caller = *block;
    // Freed before the call: a routine that ends with ExitThread never comes back.
    GlobalFree(block);
    TlsSetValue(g_wrappedSlot.load(std::memory_order_relaxed), reinterpret_cast<LPVOID>(1));
    g_wrappedThreads.fetch_add(1, std::memory_order_relaxed);
    return caller.start(caller.parameter);
}

// A block for a thread of this process, or null to start the thread directly.
ThreadStartBlock* BlockFor(HANDLE process, LPTHREAD_START_ROUTINE start, LPVOID parameter) {
    if (process != GetCurrentProcess() || start == nullptr) return nullptr;
    auto* block = static_cast<ThreadStartBlock*>(GlobalAlloc(GMEM_FIXED, sizeof(ThreadStartBlock)));
    if (block != nullptr) *block = {start, parameter};
    return block;
}

// The thread never started, so nothing else will free its block.
void ReleaseUnused(HANDLE thread, ThreadStartBlock* block) {
    if (thread != nullptr || block == nullptr) return;
    const DWORD error = GetLastError();
    GlobalFree(block);
    SetLastError(error);
}

HANDLE WINAPI ReplacementEx(HANDLE process, LPSECURITY_ATTRIBUTES security, SIZE_T stack,
                            LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                            LPPROC_THREAD_ATTRIBUTE_LIST attributes, LPDWORD threadId) {
    const auto original = g_originalEx.load(std::memory_order_acquire);
    ThreadStartBlock* block = BlockFor(process, start, parameter);
    if (block == nullptr) {
        return original(process, security, stack, start, parameter, flags, attributes, threadId);
    }
    HANDLE thread =
        original(process, security, stack, ThreadStartWrapper, block, flags, attributes, threadId);
    ReleaseUnused(thread, block);
    return thread;
}

HANDLE WINAPI Replacement(HANDLE process, LPSECURITY_ATTRIBUTES security, SIZE_T stack,
                          LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD flags,
                          LPDWORD threadId) {
    const auto original = g_original.load(std::memory_order_acquire);
    ThreadStartBlock* block = BlockFor(process, start, parameter);
    if (block == nullptr)
        return original(process, security, stack, start, parameter, flags, threadId);
    HANDLE thread = original(process, security, stack, ThreadStartWrapper, block, flags, threadId);
    ReleaseUnused(thread, block);
    return thread;
}

LONG CALLBACK VectoredHandler(EXCEPTION_POINTERS*) {
    const auto disposition = HandleException(g_reportingEnabled.load(std::memory_order_relaxed));
    return disposition == ExceptionDisposition::ContinueSearch ? EXCEPTION_CONTINUE_SEARCH
                                                               : EXCEPTION_CONTINUE_EXECUTION;
}

// Readable executable bytes from `p` to the end of its region; 0 when `p`
// is not valid code.
std::size_t CodeBytesAt(const void* p) {
    MEMORY_BASIC_INFORMATION info;
    if (VirtualQuery(p, &info, sizeof info) == 0 || info.State != MEM_COMMIT) return 0;
    constexpr DWORD kReadableCode =
        PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if ((info.Protect & kReadableCode) == 0 || (info.Protect & PAGE_GUARD) != 0) return 0;
    const auto end = reinterpret_cast<std::uintptr_t>(info.BaseAddress) + info.RegionSize;
    return end - reinterpret_cast<std::uintptr_t>(p);
}

void* TryAllocateAt(std::uint64_t address) {
    return VirtualAlloc(reinterpret_cast<void*>(address), kNearBlockSize, MEM_RESERVE | MEM_COMMIT,
                        PAGE_EXECUTE_READWRITE);
}

// A block of executable memory within rel32 reach of `target`, searched
// through the free regions above it, then below it; null when none is free.
std::uint8_t* AllocateNear(std::uint64_t target) {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const std::uint64_t grain = system.dwAllocationGranularity;
    const auto lowest = reinterpret_cast<std::uint64_t>(system.lpMinimumApplicationAddress);
    const auto highest = reinterpret_cast<std::uint64_t>(system.lpMaximumApplicationAddress);
    const std::uint64_t low = std::max(lowest, target > kNearReach ? target - kNearReach : 0);
    const std::uint64_t high = std::min(highest, target + kNearReach);
    MEMORY_BASIC_INFORMATION info;

    for (std::uint64_t at = target; at < high;) {
        if (VirtualQuery(reinterpret_cast<void*>(at), &info, sizeof info) == 0) break;
        const auto base = reinterpret_cast<std::uint64_t>(info.BaseAddress);
        const std::uint64_t end = base + info.RegionSize;
        const std::uint64_t candidate = (std::max(at, base) + grain - 1) / grain * grain;
        if (info.State == MEM_FREE && candidate + kNearBlockSize <= std::min(end, high)) {
            if (void* block = TryAllocateAt(candidate)) return static_cast<std::uint8_t*>(block);
        }
        at = end;
    }
    for (std::uint64_t at = target; at >= low;) {
        if (VirtualQuery(reinterpret_cast<void*>(at), &info, sizeof info) == 0) break;
        const auto base = reinterpret_cast<std::uint64_t>(info.BaseAddress);
        const std::uint64_t end = base + info.RegionSize;
        if (info.State == MEM_FREE && end - base >= kNearBlockSize) {
            const std::uint64_t candidate = std::min(at, end - kNearBlockSize) / grain * grain;
            if (candidate >= std::max(base, low)) {
                if (void* block = TryAllocateAt(candidate))
                    return static_cast<std::uint8_t*>(block);
            }
        }
        if (base <= low || base == 0) break;
        at = base - 1;
    }
    return nullptr;
}

// Diverts the export `name` of `module` to `replacement`, publishing in
// `original` the trampoline that keeps the function callable. Changes nothing
// and returns false when the function cannot be diverted.
template <typename Function>
bool Divert(const wchar_t* module, const char* name, Function replacement,
            std::atomic<Function>& original) {
    HMODULE handle = GetModuleHandleW(module);
    if (handle == nullptr) return false;
    // Export names are ASCII, and GetProcAddress has no wide form.
    auto* function = reinterpret_cast<std::uint8_t*>(GetProcAddress(handle, name));
    if (function == nullptr) return false;
    const std::size_t readable = std::min(CodeBytesAt(function), kPrologueWindow);
    if (readable < kRelativeJumpSize || CodeBytesAt(reinterpret_cast<void*>(replacement)) == 0) {
        return false;
    }

    const auto source = reinterpret_cast<std::uint64_t>(function);
    std::uint8_t* block = AllocateNear(source);
    if (block == nullptr) return false;
    const auto relay = reinterpret_cast<std::uint64_t>(block);
    const auto trampoline = BuildTrampoline(std::span<const std::uint8_t>(function, readable),
                                            source, relay + kTrampolineOffset);
    const auto jump = EncodeRelativeJump(source, relay);
    DWORD protection = 0;
    if (!trampoline || !jump || kTrampolineOffset + trampoline->code.size() > kNearBlockSize ||
        !VirtualProtect(function, kRelativeJumpSize, PAGE_EXECUTE_READWRITE, &protection)) {
        VirtualFree(block, 0, MEM_RELEASE);
        return false;
    }
    const auto toReplacement = EncodeAbsoluteJump(reinterpret_cast<std::uint64_t>(replacement));
    std::memcpy(block, toReplacement.data(), toReplacement.size());
    std::memcpy(block + kTrampolineOffset, trampoline->code.data(), trampoline->code.size());
    DWORD unused = 0;
    VirtualProtect(block, kNearBlockSize, PAGE_EXECUTE_READ, &unused);
    FlushInstructionCache(GetCurrentProcess(), block, kNearBlockSize);
    // Published before the jump is written: the first diverted call may come
    // from another thread at once.
    original.store(reinterpret_cast<Function>(block + kTrampolineOffset),
                   std::memory_order_release);

    // Not one atomic store: installation comes before the program starts threads.
    std::memcpy(function, jump->data(), jump->size());
    VirtualProtect(function, kRelativeJumpSize, protection, &unused);
    FlushInstructionCache(GetCurrentProcess(), function, kRelativeJumpSize);
    return true;
}

}  // namespace

void CrashGuard::InstallCrashGuard(Interception first) {
    if (g_installStarted.exchange(true)) return;
    g_wrappedSlot = TlsAlloc();
    // Called last among vectored handlers, so any other handler still sees
    // the exception first.
    AddVectoredExceptionHandler(0, VectoredHandler);
    if (first != Interception::CreateRemoteThread &&
        Divert(L"kernelbase.dll", "CreateRemoteThreadEx", &ReplacementEx, g_originalEx)) {
        g_interception = Interception::CreateRemoteThreadEx;
    } else if (Divert(L"kernel32.dll", "CreateRemoteThread", &Replacement, g_original)) {
        g_interception = Interception::CreateRemoteThread;
    }
    // Otherwise threads start directly; nothing is reported.
}

bool CrashGuard::reportingEnabled() const {
    return g_reportingEnabled.load();
}
Interception CrashGuard::interception() const {
    return g_interception.load();
}
bool CrashGuard::CurrentThreadWrapped() {
    const DWORD slot = g_wrappedSlot.load(std::memory_order_relaxed);
    return slot != TLS_OUT_OF_INDEXES && TlsGetValue(slot) != nullptr;
}
long CrashGuard::WrappedThreadCount() {
    return g_wrappedThreads.load();
}

}  // namespace xl::crash
