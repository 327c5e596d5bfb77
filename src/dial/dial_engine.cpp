#include "dial/dial_engine.h"

#include <algorithm>
#include <utility>

#include "dial/state_text.h"
#include "gbk/characters.h"

namespace xl::dial {

namespace {

// Default gateway on the far side, software compression, secure local files,
// PAP, SPAP, preview user and password, dialling progress, CHAP, MS-CHAP,
// MS-CHAP v2.
constexpr std::uint32_t kEntryOptions = 0x3D0D0210;
// Secure file and print, secure client for MS networks, no multilink, no stored
// credentials, Internet connection, no NetBIOS over IP.
constexpr std::uint32_t kEntryOptions2 = 0x6F;
constexpr std::uint32_t kNetProtocolIp = 4;
constexpr std::uint32_t kFramingPpp = 1;
constexpr std::uint32_t kDialModeAll = 1;
constexpr std::uint32_t kEntryTypeVpn = 2;
constexpr std::uint32_t kEncryptionOptional = 3;

constexpr const char* kVpnDeviceType = "vpn";
constexpr const char* kRoamingPart = "\\AppData\\Roaming";
constexpr const char* kPhoneBookFolder = "\\Microsoft\\Network\\Connections\\Pbk\\";
// "\Documents\" in the standard profile layout.
constexpr const char* kStandardDocuments = "\\documents";
constexpr std::size_t kDocumentsPartLength = 11;

constexpr const char* kSuccessWord = "连接成功";
constexpr const char* kFailureWords = "错误 失败 拒绝";

std::string DeviceNameFor(std::uint32_t vpnStrategy) {
    switch (vpnStrategy) {
        case kStrategyPptp:
            return "WAN Miniport (PPTP)";
        case kStrategyL2tp:
            return "WAN Miniport (L2TP)";
        case kStrategySstp:
            return "WAN Miniport (SSTP)";
        default:
            return "";
    }
}

std::string ProtocolName(std::uint32_t vpnStrategy) {
    switch (vpnStrategy) {
        case kStrategyPptp:
            return "PPTP";
        case kStrategyL2tp:
            return "L2TP";
        case kStrategySstp:
            return "SSTP";
        default:
            return "策略 " + std::to_string(vpnStrategy);
    }
}

bool IsVpnDevice(const RasConnection& c) {
    return gbk::AsciiLower(c.deviceType) == kVpnDeviceType;
}

}  // namespace

RasEntry MakeVpnEntry(const std::string& host, std::uint32_t vpnStrategy) {
    RasEntry e;
    e.options = kEntryOptions;
    e.options2 = kEntryOptions2;
    e.localPhoneNumber = host;
    e.netProtocols = kNetProtocolIp;
    e.framingProtocol = kFramingPpp;
    e.deviceType = kVpnDeviceType;
    e.deviceName = DeviceNameFor(vpnStrategy);
    e.dialMode = kDialModeAll;
    e.dialExtraPercent = 75;
    e.dialExtraSampleSeconds = 120;
    e.hangUpExtraPercent = 10;
    e.hangUpExtraSampleSeconds = 120;
    e.type = kEntryTypeVpn;
    e.encryptionType = kEncryptionOptional;
    e.vpnStrategy = vpnStrategy;
    e.redialCount = 0;
    e.redialPause = 1;
    return e;
}

namespace {

std::string WithoutTrailingBackslash(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

// Documents directly inside the profile, as a profile is made.
bool IsStandardDocuments(const UserFolders& folders) {
    const std::string profile = gbk::AsciiLower(WithoutTrailingBackslash(folders.profile));
    return !profile.empty() && gbk::AsciiLower(WithoutTrailingBackslash(folders.documents)) ==
                                   profile + kStandardDocuments;
}

// The folder of the phone book, with its trailing backslash; empty when unknown.
std::string PhoneBookFolder(const UserFolders& folders) {
    if (IsStandardDocuments(folders)) {
        std::string documents = folders.documents;
        if (documents.back() != '\\') documents += '\\';
        documents.resize(documents.size() - kDocumentsPartLength);
        return documents + kRoamingPart + kPhoneBookFolder;
    }
    // Documents elsewhere (a cloud folder, another drive) says nothing about
    // the profile: the shell's roaming application data does.
    const std::string roaming = WithoutTrailingBackslash(folders.roamingAppData);
    return roaming.empty() ? std::string() : roaming + kPhoneBookFolder;
}

}  // namespace

std::string PhoneBookPath(const UserFolders& folders, const std::string& entryName) {
    const std::string folder = PhoneBookFolder(folders);
    return folder.empty() ? std::string() : folder + entryName + ".pbk";
}

DialEngine::DialEngine(RasApi& ras, MessagePump& pump, std::chrono::milliseconds roundLength)
    : ras_(ras), pump_(pump), roundLength_(roundLength) {}

std::string DialEngine::Dial(const std::string& entryName, const std::string& host,
                             const std::string& userName, const std::string& password,
                             std::uint32_t vpnStrategy, DialNotifier notifier) {
    // A dial from inside this dial's wait is refused by its callers; the depth
    // keeps the count right if one ever slips through.
    if (dialDepth_++ == 0) cancelRequested_ = false;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{dialDepth_};
    {
        // From here on, whatever an earlier dial still reports is dropped.
        std::lock_guard lock(reportMutex_);
        ++dialCount_;
        ++reportGeneration_;
    }
    std::string result =
        DialOnce(entryName, host, userName, password, vpnStrategy, std::move(notifier));
    lastDialResult_ = result;
    return result;
}

DialNotifier DialEngine::Guarded(DialNotifier notifier) {
    const std::uint64_t generation = reportGeneration_.load();
    return [this, generation, notifier = std::move(notifier)](
               std::uint32_t message, std::uint32_t state, std::uint32_t error) {
        std::lock_guard lock(reportMutex_);
        if (generation != reportGeneration_.load()) return;
        if (notifier) notifier(message, state, error);
    };
}

void DialEngine::EndReports() {
    std::lock_guard lock(reportMutex_);
    ++reportGeneration_;
}

std::string DialEngine::DialOnce(const std::string& entryName, const std::string& host,
                                 const std::string& userName, const std::string& password,
                                 std::uint32_t vpnStrategy, DialNotifier notifier) {
    const std::string name = entryName.empty() ? kDefaultEntryName : entryName;
    Log("拨号开始: 连接 " + name + ", 服务器 " + host + ", 协议 " + ProtocolName(vpnStrategy) +
        ", 帐号 " + userName);
    state_.entryName = name;
    HangUpVpn(name);
    if (cancelRequested_) return Cancelled();

    const UserFolders folders = ras_.Folders();
    state_.phoneBookPath = PhoneBookPath(folders, name);
    if (state_.phoneBookPath.empty()) {
        Log("拨号结果: 创建连接失败, 文档文件夹未知: \"" + folders.documents +
            "\", 应用数据文件夹: \"" + folders.roamingAppData + "\"");
        return "创建连接失败";
    }
    // A fresh profile has no phone-book folder yet.
    const std::string folder = state_.phoneBookPath.substr(0, state_.phoneBookPath.rfind('\\'));
    if (!ras_.CreateFolder(folder)) Log("拨号: 无法创建电话簿文件夹 " + folder);
    if (name != state_.resetEntryName) {
        ras_.DeletePhoneBook(state_.phoneBookPath);
        state_.resetEntryName = name;
    }
    const std::uint32_t entryError =
        ras_.SetEntryProperties(state_.phoneBookPath, name, MakeVpnEntry(host, vpnStrategy));
    if (entryError != 0) {
        Log("拨号结果: 创建连接失败, 写入电话簿 " + state_.phoneBookPath + " 错误 " +
            std::to_string(entryError));
        return "创建连接失败";
    }
    Log("拨号: 电话簿已写入 " + state_.phoneBookPath);
    HangUp(state_.connectionHandle);
    if (cancelRequested_) return Cancelled();

    RasDialParams params;
    params.entryName = name;
    params.userName = userName;
    params.password = password;
    state_.connectionHandle = 0;
    lastError_ = 0;
    hungUpByProgram_ = false;
    // Handed out after this dial's own hang-ups of what came before.
    const std::uint32_t refused = ras_.Dial(state_.phoneBookPath, params,
                                            Guarded(std::move(notifier)), state_.connectionHandle);
    if (refused != 0) {
        HangUpVpn(name);
        const std::string text = SystemText(refused);
        state_.SetLastStatusText(ShownText(text));
        HangUp(state_.connectionHandle);
        Log("拨号结果: 拨号被拒绝, 错误 " + std::to_string(refused) + ": " + text);
        return state_.LastStatusText();
    }
    std::string outcome = WaitForOutcome();
    const std::uint32_t error = lastError_;
    Log("拨号结果: " + outcome + (error != 0 ? ", 错误 " + std::to_string(error) : std::string()));
    return outcome;
}

std::string DialEngine::WaitForOutcome() {
    enum class Outcome { Pending, Success, Failure };
    state_.SetLastStatusText("");
    Outcome outcome = Outcome::Pending;
    std::string last;
    for (int round = 0; round < kDialWaitRounds; ++round) {
        if (cancelRequested_) return kDialCancelled;
        last = state_.LastStatusText();
        if (gbk::Contains(last, kSuccessWord)) outcome = Outcome::Success;
        // Second, so a text holding both kinds of words is a failure.
        if (gbk::ContainsAnyWordSkippingEmpty(last, kFailureWords)) outcome = Outcome::Failure;
        if (outcome != Outcome::Pending) break;
        pump_.DispatchFor(roundLength_);
    }
    switch (outcome) {
        case Outcome::Success:
            return kDialSucceeded;
        case Outcome::Failure:
            return kDialFailedHead + last;
        case Outcome::Pending:
            break;
    }
    if (cancelRequested_) return kDialCancelled;
    return kDialTimedOutHead + state_.LastStatusText();
}

std::string DialEngine::Cancelled() {
    Log(std::string("拨号结果: ") + kDialCancelled + ", 未拨号");
    return kDialCancelled;
}

bool DialEngine::CancelDial() {
    if (!IsDialling() || cancelRequested_) return false;
    cancelRequested_ = true;
    EndReports();
    Log("拨号取消");
    // Before the service has answered the dial this is the earlier dial's
    // handle, which the dial would hang up anyway.
    HangUp(state_.connectionHandle);
    return true;
}

std::uint32_t DialEngine::HangUp(RasHandle handle) {
    // No handle, nothing to end (the service would answer ERROR_INVALID_HANDLE).
    if (handle == 0) return kRasErrorInvalidHandle;
    const std::uint32_t error = ras_.HangUp(handle);
    if (error != 0) return error;
    if (handle == state_.connectionHandle) EndReports();
    hungUpByProgram_ = true;
    AwaitGone(handle, state_.entryName);
    return 0;
}

bool DialEngine::AwaitGone(RasHandle handle, const std::string& name) {
    ++hangUpDepth_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{hangUpDepth_};
    std::uint32_t answer = 0;
    for (std::chrono::milliseconds waited{0};; waited += kHangUpPoll) {
        answer = ras_.ConnectStatus(handle).error;
        if (answer == kRasErrorInvalidHandle) return true;
        if (waited >= kHangUpWaitCap) break;
        pump_.WaitDispatching(kHangUpPoll);
    }
    const auto capSeconds = std::chrono::duration_cast<std::chrono::seconds>(kHangUpWaitCap);
    Log("挂断 " + name + ": " + std::to_string(capSeconds.count()) + "秒后连接仍未结束 (状态查询 " +
        std::to_string(answer) + ")，不再等待");
    // The link is still there: when it ends later, that is a drop like any other.
    hungUpByProgram_ = false;
    return false;
}

std::string DialEngine::HangUpVpn(const std::string& entryName) {
    const std::string name = entryName.empty() ? state_.entryName : entryName;
    const RasConnectionList list = ListConnections();
    if (list.error != 0) return "错误:" + ShownText(SystemText(list.error)) + "\r\n";
    for (const RasConnection& c : list.connections) {
        if (c.entryName != name && !IsVpnDevice(c)) continue;
        const std::uint32_t error = ras_.HangUp(c.handle);
        if (error != 0) {
            Log("挂断 " + c.entryName + " 错误 " + std::to_string(error));
            return "错误:" + ShownText(SystemText(error));
        }
        Log("挂断 " + c.entryName);
        if (c.handle == state_.connectionHandle) EndReports();
        hungUpByProgram_ = true;
        AwaitGone(c.handle, c.entryName);
        return "挂断拨号:" + c.entryName;
    }
    return "";
}

RasConnectionList DialEngine::ListConnections() {
    RasConnectionList list = ras_.EnumConnections(layout_);
    const bool layoutRefused =
        list.error == kRasErrorInvalidSize || list.error == kRasErrorBufferTooSmall;
    if (layout_ != RasConnLayout::Oldest || !layoutRefused) return list;
    // ERROR_BUFFER_TOO_SMALL is also the answer to more than ten connections:
    // then the current layout fails the same way and the oldest stays.
    RasConnectionList retry = ras_.EnumConnections(RasConnLayout::Current);
    if (retry.error == 0) layout_ = RasConnLayout::Current;
    if (!layoutFallbackLogged_ && retry.error == 0) {
        layoutFallbackLogged_ = true;
        Log("连接列表: 系统不接受旧的记录格式 (错误 " + std::to_string(list.error) +
            ")，改用当前格式");
    }
    return retry;
}

bool DialEngine::IsVpnConnected() {
    const RasConnectionList list = ListConnections();
    if (list.error != 0) return false;
    for (const RasConnection& c : list.connections) {
        if (IsVpnDevice(c)) return true;
    }
    return false;
}

void DialEngine::PumpingWait(std::chrono::milliseconds interval) {
    pump_.WaitDispatching(std::max(interval, std::chrono::milliseconds{0}));
}

std::string DialEngine::SystemText(std::uint32_t code) {
    const RasErrorText text = ras_.ErrorString(code, kErrorTextUnits);
    return text.error == 0 ? text.text : std::string(kShownErrorTextCharacters, ' ');
}

std::string DialEngine::ShownText(const std::string& systemText) {
    return gbk::Cut(systemText, kShownErrorTextCharacters);
}

std::string DialEngine::StateText(std::uint32_t state, std::uint32_t error) {
    std::string whole;
    std::string text;
    if (error != 0) {
        whole = SystemText(error);
        text = ErrorStatusText(error, ShownText(whole));
        whole = ErrorStatusText(error, whole);
    } else {
        text = ConnectionStateText(state);
        whole = text;
    }
    state_.SetLastStatusText(text);
    if (error != 0) lastError_ = error;
    Log("拨号进度: 状态 " + std::to_string(state) + ", 错误 " + std::to_string(error) + ": " +
        whole);
    return text;
}

void DialEngine::Log(const std::string& line) const {
    if (log_) log_(line);
}

}  // namespace xl::dial
