#include "dial/dial_engine.h"

#include <utility>

#include "dial/state_text.h"
#include "dial/text_match.h"

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
constexpr const char* kPhoneBookTail = "\\AppData\\Roaming\\Microsoft\\Network\\Connections\\Pbk\\";
// "\Documents\" in the standard profile layout.
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
    return AsciiLower(c.deviceType) == kVpnDeviceType;
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

std::string PhoneBookPath(const std::string& documentsFolder, const std::string& entryName) {
    std::string folder = documentsFolder;
    if (folder.empty()) return "";
    if (folder.back() != '\\') folder += '\\';
    // Cutting everything would leave a path relative to the current drive.
    if (folder.size() <= kDocumentsPartLength) return "";
    folder.resize(folder.size() - kDocumentsPartLength);
    return folder + kPhoneBookTail + entryName + ".pbk";
}

std::chrono::milliseconds PumpingWaitDuration(long long interval, int unit) {
    long long multiplier = 1;
    switch (unit) {
        case 1:
            multiplier = 1000;
            break;
        case 2:
            multiplier = 60'000;
            break;
        case 3:
            multiplier = 3'600'000;
            break;
        default:
            break;
    }
    if (interval <= 0) return std::chrono::milliseconds{0};
    // Keep the product far from overflow in the 100-ns units of the timer.
    constexpr long long kLimit = 100LL * 365 * 24 * 3'600'000;
    if (interval > kLimit / multiplier) return std::chrono::milliseconds{kLimit};
    return std::chrono::milliseconds{interval * multiplier};
}

DialEngine::DialEngine(RasApi& ras, MessagePump& pump, std::chrono::milliseconds roundLength)
    : ras_(ras), pump_(pump), roundLength_(roundLength) {}

std::string DialEngine::Dial(const std::string& entryName, const std::string& host,
                             const std::string& userName, const std::string& password,
                             std::uint32_t vpnStrategy, DialNotifier notifier) {
    // A click may dial again from inside this dial's wait, hence a depth.
    ++dialDepth_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{dialDepth_};
    ++dialCount_;
    std::string result =
        DialOnce(entryName, host, userName, password, vpnStrategy, std::move(notifier));
    lastDialResult_ = result;
    return result;
}

std::string DialEngine::DialOnce(const std::string& entryName, const std::string& host,
                                 const std::string& userName, const std::string& password,
                                 std::uint32_t vpnStrategy, DialNotifier notifier) {
    const std::string name = entryName.empty() ? kDefaultEntryName : entryName;
    Log("拨号开始: 连接 " + name + ", 服务器 " + host + ", 协议 " + ProtocolName(vpnStrategy) +
        ", 帐号 " + userName);
    state_.entryName = name;
    HangUpVpn(name);

    state_.phoneBookPath = PhoneBookPath(ras_.DocumentsFolder(), name);
    if (state_.phoneBookPath.empty()) {
        Log("拨号结果: 创建连接失败, 文档文件夹未知: \"" + ras_.DocumentsFolder() + "\"");
        return "创建连接失败";
    }
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
    ras_.HangUp(state_.connectionHandle);

    RasDialParams params;
    params.entryName = name;
    params.userName = userName;
    params.password = password;
    state_.connectionHandle = 0;
    lastError_ = 0;
    hungUpByProgram_ = false;
    const std::uint32_t refused =
        ras_.Dial(state_.phoneBookPath, params, std::move(notifier), state_.connectionHandle);
    if (refused != 0) {
        HangUpVpn(name);
        state_.SetLastStatusText(ras_.ErrorString(refused));
        ras_.HangUp(state_.connectionHandle);
        Log("拨号结果: 拨号被拒绝, 错误 " + std::to_string(refused) + ": " +
            state_.LastStatusText());
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
        last = state_.LastStatusText();
        if (ContainsGbk(last, kSuccessWord)) outcome = Outcome::Success;
        // Second, so a text holding both kinds of words is a failure.
        if (ContainsAnyWord(last, kFailureWords)) outcome = Outcome::Failure;
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
    return kDialTimedOutHead + state_.LastStatusText();
}

std::string DialEngine::HangUpVpn(const std::string& entryName) {
    const std::string name = entryName.empty() ? state_.entryName : entryName;
    const RasConnectionList list = ras_.EnumConnections();
    if (list.error != 0) return "错误:" + ras_.ErrorString(list.error) + "\r\n";
    for (const RasConnection& c : list.connections) {
        if (c.entryName != name && !IsVpnDevice(c)) continue;
        const std::uint32_t error = ras_.HangUp(c.handle);
        if (error != 0) {
            Log("挂断 " + c.entryName + " 错误 " + std::to_string(error));
            return "错误:" + ras_.ErrorString(error);
        }
        Log("挂断 " + c.entryName);
        hungUpByProgram_ = true;
        return "挂断拨号:" + c.entryName;
    }
    return "";
}

bool DialEngine::IsVpnConnected() {
    const RasConnectionList list = ras_.EnumConnections();
    if (list.error != 0) return false;
    for (const RasConnection& c : list.connections) {
        if (IsVpnDevice(c)) return true;
    }
    return false;
}

bool DialEngine::PumpingWait(long long interval, int unit) {
    pump_.WaitDispatching(PumpingWaitDuration(interval, unit));
    return true;
}

std::string DialEngine::StateText(std::uint32_t state, std::uint32_t error) {
    std::string text =
        error != 0 ? ErrorStatusText(error, ras_.ErrorString(error)) : ConnectionStateText(state);
    state_.SetLastStatusText(text);
    if (error != 0) lastError_ = error;
    Log("拨号进度: 状态 " + std::to_string(state) + ", 错误 " + std::to_string(error) + ": " +
        text);
    return text;
}

void DialEngine::Log(const std::string& line) const {
    if (log_) log_(line);
}

}  // namespace xl::dial
