#include "ui/handlers/connection_panel.h"

#include <array>
#include <utility>

#include "app/program_name.h"
#include "ui/handlers/check_box.h"
#include "ui/handlers/main_controls.h"

namespace xl::ui {
namespace {

using namespace main_window;

constexpr char kSwitchButton[] = "超级按钮_切换IP";

constexpr std::array<std::pair<const char*, const char*>, 3> kProtocolRadios{
    {{"PPTP", "图片框_PPTP"}, {"L2TP", "图片框_L2TP"}, {"SSTP", "图片框_SSTP"}}};
constexpr std::array<std::pair<const char*, const char*>, 3> kLineModeRadios{
    {{"动态线路", "图片框_动态线路"},
     {"极速线路", "图片框_极速线路"},
     {"静态线路", "图片框_静态线路"}}};

// Selects the radio whose text is `chosen`; a text no radio names changes nothing.
template <typename Radios>
void ShowRadios(WindowSystem& windows, const Radios& radios, std::string_view chosen) {
    bool known = false;
    for (auto [text, box] : radios) known = known || chosen == text;
    if (!known) return;
    for (auto [text, box] : radios) {
        if (Control* c = Find(windows, box)) SetRadio(*c, chosen == text);
    }
}

}  // namespace

DialTarget DialTargetFor(std::string_view protocol, const std::string& serverHost) {
    if (protocol == "PPTP") return {dial::kStrategyPptp, serverHost};
    if (protocol == "L2TP") return {dial::kStrategyL2tp, serverHost};
    if (protocol == "SSTP") return {dial::kStrategySstp, serverHost + kSstpPortSuffix};
    return {};
}

ConnectionPanel::ConnectionPanel(Services services)
    : s_(std::move(services)),
      progress_(s_.dial, *this,
                [this](std::function<void()> task) { poster_.Post(std::move(task)); }),
      exitIp_(s_.service, *this, s_.log) {}

ConnectionPanel::~ConnectionPanel() = default;

void ConnectionPanel::Bind() {
    const WindowId m = WindowId::Main;
    WindowSystem& w = s_.windows;
    w.OnClick(m, kConnectButton, [this] { ConnectClicked(); });
    w.OnClick(m, kSwitchButton, [this] { SwitchClicked(); });
    for (const auto& radio : kProtocolRadios) {
        const char* protocol = radio.first;
        w.OnClick(m, radio.second, [this, protocol] { SetProtocol(protocol); });
        w.OnClick(m, std::string("透明标签_") + protocol,
                  [this, protocol] { SetProtocol(protocol); });
    }
    // The labels of the dynamic and the static mode also drop the province
    // filter; the static label also switches to SSTP. The pictures only choose.
    w.OnClick(m, "透明标签_动态线路", [this] { ChooseLineMode("动态线路", true, false); });
    w.OnClick(m, "图片框_动态线路", [this] { SetLineMode("动态线路"); });
    w.OnClick(m, "透明标签_极速线路", [this] { SetLineMode("极速线路"); });
    w.OnClick(m, "图片框_极速线路", [this] { SetLineMode("极速线路"); });
    w.OnClick(m, "透明标签_静态线路", [this] { ChooseLineMode("静态线路", true, true); });
    w.OnClick(m, "图片框_静态线路", [this] { SetLineMode("静态线路"); });
}

void ConnectionPanel::ChooseLineMode(std::string_view lineMode, bool clearFilter,
                                     bool staticProtocol) {
    if (clearFilter) s_.serverList.ClearProvinceFilter();
    if (staticProtocol) SetProtocol(app::kStaticProtocol);
    SetLineMode(lineMode);
}

bool ConnectionPanel::Busy() const {
    // The supervisor's own hang-up, waits and redial are its to finish; a
    // hang-up's wait ends with the button refreshed from the list.
    return (s_.reactionUnderWay && s_.reactionUnderWay()) || s_.dial.IsHangingUp();
}

void ConnectionPanel::ConnectClicked() {
    if (s_.reactionUnderWay && s_.reactionUnderWay()) return;
    if (s_.dial.IsDialling()) {
        CancelDial();
        return;
    }
    if (Busy()) return;
    ToggleConnection();
}

void ConnectionPanel::SwitchClicked() {
    if (Busy() || s_.dial.IsDialling()) return;
    SwitchServer();
}

void ConnectionPanel::CancelDial() {
    if (!s_.dial.CancelDial()) return;
    // The status line says what the dial returns.
    SetStatusCaption(dial::kDialCancelled);
    SetIpLabels(kNoIpText);
    RefreshConnectButton();
}

void ConnectionPanel::ToggleConnection() {
    // A second dial from inside the first one's wait would leave two dials
    // sharing one status text and handle.
    if (s_.dial.IsDialling()) return;
    // One click never both connects and disconnects: the tag is read once.
    const std::string tag = ConnectButtonTag();
    if (tag == dial::kConnectTag) Connect();
    if (tag == dial::kDisconnectTag) Disconnect();
}

void ConnectionPanel::Connect() {
    const DialTarget target = DialTargetFor(s_.choices.protocol, s_.choices.server);
    SetIpLabels(kConnectingText);
    const std::string outcome =
        s_.dial.Dial(app::kProgramName, target.host, s_.currentAccount(), s_.currentPassword(),
                     target.strategy, progress_.Notifier());
    if (outcome == dial::kDialCancelled) {
        // The cancel has shown its texts and ended the attempt.
        RefreshConnectButton();
        return;
    }
    if (outcome.starts_with(dial::kDialFailedHead) ||
        outcome.starts_with(dial::kDialTimedOutHead)) {
        // The service keeps a failed or unanswered attempt listed until it is hung
        // up, and it would pass for a live link: end it, by this dial's own
        // handle, and wait until it is gone.
        s_.dial.HangUp(s_.dial.State().connectionHandle);
    } else if (outcome == dial::kDialSucceeded && s_.dial.IsVpnConnected()) {
        RestartExitIpLookup();
        if (s_.choices.minimiseAfterConnect) {
            // Hidden, not closed: the tray icon brings it back.
            if (Window* main = s_.windows.Existing(WindowId::Main)) main->Hide();
        }
    }
    RefreshConnectButton();
}

void ConnectionPanel::Disconnect() {
    s_.dial.HangUpVpn("");
    const bool stillConnected = s_.dial.IsVpnConnected();
    SetStatusCaption(stillConnected ? kStillConnectedText : kDisconnectedText);
    if (!stillConnected) {
        SetIpLabels(kNoIpText);
    }
    s_.log.Write(std::string("断开连接: ") +
                 (stillConnected ? kStillConnectedText : kDisconnectedText));
    RefreshConnectButton();
}

void ConnectionPanel::SwitchServer() {
    if (s_.dial.IsDialling()) return;
    SetIpLabels(kSwitchingText);
    SetStatusCaption(kSwitchingText);
    dial::HangUpAndReconnect(s_.dial, *this);
}

void ConnectionPanel::SetProtocol(std::string_view protocol) {
    s_.choices.protocol = protocol.empty() ? app::kStaticProtocol : protocol;
    s_.settings.WriteSetting(app::kProtocol, s_.choices.protocol);
    ShowProtocol(s_.choices.protocol);
}

void ConnectionPanel::SetLineMode(std::string_view lineMode) {
    s_.choices.lineMode = lineMode.empty() ? app::kDefaultLineMode : lineMode;
    s_.settings.WriteSetting(app::kLineMode, s_.choices.lineMode);
    ShowLineMode(s_.choices.lineMode);
    s_.serverList.LoadLineData();
}

void ConnectionPanel::ShowProtocol(std::string_view protocol) {
    ShowRadios(s_.windows, kProtocolRadios, protocol);
}

void ConnectionPanel::ShowLineMode(std::string_view lineMode) {
    ShowRadios(s_.windows, kLineModeRadios, lineMode);
}

std::string ConnectionPanel::ConnectButtonTag() {
    const Control* button = Find(s_.windows, kConnectButton);
    return button == nullptr ? std::string() : button->tag();
}

void ConnectionPanel::RefreshConnectButton() {
    Control* button = Find(s_.windows, kConnectButton);
    if (button == nullptr) return;
    const bool connected = s_.dial.IsVpnConnected();
    button->SetTag(connected ? dial::kDisconnectTag : dial::kConnectTag);
    button->SetPictures(connected ? pictures::DisconnectButton() : pictures::ConnectButton());
}

void ConnectionPanel::SetStatusCaption(const std::string& text) {
    SetCaption(s_.windows, kStatusLabel, text);
}

std::string ConnectionPanel::StatusCaption() {
    return Caption(s_.windows, kStatusLabel);
}

void ConnectionPanel::ShowIpAndLocation(const std::string& ip, const std::string& location) {
    SetCaption(s_.windows, kIpLabel, ip);
    SetCaption(s_.windows, kLocationLabel, location);
}

void ConnectionPanel::SetIpLabels(const std::string& text) {
    StopExitIpLookup();
    ShowIpAndLocation(text, text);
}

void ConnectionPanel::RestartExitIpLookup() {
    StopExitIpLookup();
    exitIp_.Start();
}

void ConnectionPanel::StopExitIpLookup() {
    // Once Stop returns the old lookup calls ShowExitIp no more; what it posted
    // before carries the old generation.
    exitIp_.Stop();
    ++exitIpGeneration_;
}

void ConnectionPanel::ShowExitIp(const std::string& ip, const std::string& location) {
    const std::uint64_t generation = exitIpGeneration_.load();
    poster_.Post([this, generation, ip, location] {
        if (generation != exitIpGeneration_.load()) return;
        ShowIpAndLocation(ip, location);
        if (ip != api::kExitIpConnectedText && ip != api::kExitIpQueryingText)
            s_.log.Write("出口IP " + ip + " " + location);
    });
}

}  // namespace xl::ui
