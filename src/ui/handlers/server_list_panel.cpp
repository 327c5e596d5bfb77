#include "ui/handlers/server_list_panel.h"

#include <mutex>
#include <optional>

#include "api/static_ip.h"
#include "gbk/characters.h"
#include "ui/handlers/main_controls.h"

namespace xl::ui {
namespace {

using namespace main_window;

constexpr char kSearchField[] = "编辑框_搜索";
constexpr char kSearchLabel[] = "透明标签_搜索";
constexpr char kDropDownArrow[] = "透明标签_省份下拉按钮";

// Columns of the node list; column 0 is the list's narrow empty lead.
constexpr int kProvinceColumn = 1;
constexpr int kCityColumn = 2;
constexpr int kDomainColumn = 5;
constexpr int kStaticIpColumn = 6;

constexpr std::size_t kNodeColumns = 7;

// Writes rows into the cells a list handed back at its last fill, so a refill
// of 20,000 rows copies text instead of allocating 20,000 strings.
class NodeRows {
  public:
    NodeRows(std::vector<std::string>& cells, bool withIp) : cells_(cells), withIp_(withIp) {}
    void Add(const api::ServerNode& node) {
        Put({});
        Put(node.province);
        Put(node.city);
        Put(node.isp);
        Put(api::NodeStatusText(node.status));
        Put(node.domain);
        Put(withIp_ ? std::string_view(node.ip) : std::string_view());
    }
    int Rows() const { return static_cast<int>(used_ / kNodeColumns); }

  private:
    void Put(std::string_view text) {
        if (used_ == cells_.size()) cells_.emplace_back();
        cells_[used_++].assign(text);
    }
    std::vector<std::string>& cells_;
    bool withIp_;
    std::size_t used_ = 0;
};

}  // namespace

api::LineMode SearchedMode(std::string_view lineMode) {
    const std::optional<api::LineMode> mode = api::LineModeFromText(lineMode);
    return mode == api::LineMode::Dynamic || mode == api::LineMode::Fast ? *mode
                                                                         : api::LineMode::Static;
}

ServerListPanel::ServerListPanel(Services services) : s_(std::move(services)) {}

ServerListPanel::~ServerListPanel() = default;

void ServerListPanel::Bind() {
    const WindowId m = WindowId::Main;
    s_.windows.OnClick(m, kSearchLabel, [this] { Search(); });
    s_.windows.OnEnter(m, kSearchField, [this] { Search(); });
    s_.windows.OnClick(m, kDropDownArrow, [this] { ToggleProvinceDropDown(); });
    s_.windows.OnClick(m, kProvinceCaption, [this] { ToggleProvinceDropDown(); });
    // The drop-down takes a click or Enter; the arrow keys only move in it.
    s_.windows.OnRowClicked(m, kProvinceList, [this] { PickProvince(); });
    s_.windows.OnEnter(m, kProvinceList, [this] { PickProvince(); });
    // A click also follows the selection's move, and picks at once.
    s_.windows.OnRowChosen(m, kNodeList, [this] { PickAfterRest(); });
    s_.windows.OnRowClicked(m, kNodeList, [this] { PickServer(); });
    s_.windows.OnEnter(m, kNodeList, [this] { PickServer(); });
}

void ServerListPanel::LoadLineData() {
    SetCaption(s_.windows, kStatusLabel, kLoadingLinesText);
    // No busy mark: the load runs to its end on the user-interface thread and
    // dispatches nothing meanwhile, so no second load can start inside it.
    if (const std::optional<api::LineMode> mode = api::LineModeFromText(s_.choices.lineMode)) {
        // The fill shows the cache either way; started after it, the
        // refresh's parse does not compete with the fill for the processor.
        FillNodeList(*mode);
        FillProvinceList(*mode);
        StartRefreshLineList(*mode);
    }
    SetCaption(s_.windows, kStatusLabel, kLinesLoadedText);
}

void ServerListPanel::FillNodeList(api::LineMode mode, std::optional<std::string> filterText) {
    const std::vector<std::string> words =
        filterText ? gbk::SplitAtEverySpace(*filterText) : std::vector<std::string>();
    const auto matches = [&words](std::string_view text) {
        return words.empty() || gbk::ContainsAnyWordCountingEmpty(text, words);
    };
    NodeRows rows(nodeCells_, mode == api::LineMode::Static);
    {
        api::ServerList& list = s_.lists.List(mode);
        std::lock_guard lock(list.lock);
        for (const api::ProvinceGroup& group : list.groups) {
            const bool groupMatches = matches(group.province);
            for (const api::ServerNode& node : group.nodes) {
                if (node.status == api::kNodeStatusGone) continue;
                if (groupMatches || matches(node.city)) rows.Add(node);
            }
        }
    }
    ShowNodes(rows.Rows(), {mode, std::move(filterText)});
}

void ServerListPanel::FillProvinceList(api::LineMode mode) {
    std::vector<std::string> cells;
    {
        api::ServerList& list = s_.lists.List(mode);
        std::lock_guard lock(list.lock);
        for (const api::ProvinceGroup& group : list.groups) cells.push_back(group.province);
    }
    if (Control* provinces = Find(s_.windows, kProvinceList)) provinces->SetRows(std::move(cells));
}

void ServerListPanel::ShowNodes(int rows, ShownNodes shown) {
    shown_ = std::move(shown);
    if (Control* nodes = Find(s_.windows, kNodeList)) nodes->ExchangeRows(nodeCells_, rows);
}

void ServerListPanel::Search() {
    filterText_ = Caption(s_.windows, kSearchField);
    FillNodeList(SearchedMode(s_.choices.lineMode), filterText_);
}

void ServerListPanel::ToggleProvinceDropDown() {
    Control* provinces = Find(s_.windows, kProvinceList);
    if (provinces == nullptr) return;
    if (provinces->visible()) {
        provinces->Hide();
        return;
    }
    Rect r = provinces->position();
    r.height = kProvinceDropDownHeight;
    provinces->SetPosition(r);
    provinces->Show();
}

void ServerListPanel::PickProvince() {
    Control* provinces = Find(s_.windows, kProvinceList);
    if (provinces == nullptr || provinces->chosenRow() < 0) return;
    const std::string province = provinces->Cell(provinces->chosenRow(), 0);
    SetCaption(s_.windows, kProvinceCaption, province);
    provinces->Hide();
    filterText_ = province;
    FillNodeList(SearchedMode(s_.choices.lineMode), filterText_);
}

void ServerListPanel::ClearProvinceFilter() {
    ResetFilter();
    SetCaption(s_.windows, kProvinceCaption, kAllProvinces);
}

void ServerListPanel::ShowServerName(const std::string& name) {
    SetCaption(s_.windows, kCurrentLineLabel, name);
    SetCaption(s_.windows, kChosenLineLabel, name);
}

void ServerListPanel::PickAfterRest() {
    const std::uint64_t move = ++selectionMoves_;
    poster_.PostAfter(kKeyboardPickRest, [this, move] {
        if (move == selectionMoves_) PickServer();
    });
}

void ServerListPanel::PickServer() {
    ++selectionMoves_;  // a rest still running picks nothing more
    // One pick at a time: the one under way has the last word, as it would
    // had it answered before this one.
    if (staticIp_.UnderWay()) return;
    const Control* nodes = Find(s_.windows, kNodeList);
    if (nodes == nullptr || nodes->chosenRow() < 0) return;
    const int row = nodes->chosenRow();
    const std::string domain = nodes->Cell(row, kDomainColumn);
    // Dialled from the next connect on, whatever the static request says.
    s_.choices.server = domain;
    const std::string ip = nodes->Cell(row, kStaticIpColumn);
    const std::string name = nodes->Cell(row, kProvinceColumn) + nodes->Cell(row, kCityColumn);
    const std::optional<api::LineMode> mode = api::LineModeFromText(s_.choices.lineMode);
    if (mode == api::LineMode::Static) {
        AssignStaticIp(ip, domain, name);
    } else if (mode) {
        UseServer(domain, name);
    }
}

void ServerListPanel::AssignStaticIp(const std::string& ip, const std::string& domain,
                                     const std::string& name) {
    // On a worker that nothing waits for: it holds copies and the program's
    // request port only.
    staticIp_.Run<bool>(
        [service = s_.service, account = s_.currentAccount(), ip] {
            return api::RequestStaticIp(service, account, ip);
        },
        [this, ip, domain, name](bool accepted) { StaticIpAnswered(accepted, ip, domain, name); },
        false);
}

void ServerListPanel::StaticIpAnswered(bool accepted, const std::string& ip,
                                       const std::string& domain, const std::string& name) {
    if (!accepted) {
        s_.log.Write("设置静态IP失败: " + name + " " + domain + " " + ip);
        SetCaption(s_.windows, kStatusLabel, api::kStaticIpFailedText);
        return;
    }
    UseServer(domain, name);
    SetCaption(s_.windows, kStatusLabel, api::kStaticIpSetText);
    s_.setProtocol(app::kStaticProtocol);
}

void ServerListPanel::UseServer(const std::string& domain, const std::string& name) {
    s_.choices.serverName = name;
    ShowServerName(name);
    s_.settings.WriteSetting(app::kServer, domain);
    s_.settings.WriteSetting(app::kServerName, name);
}

void ServerListPanel::StartRefreshLineList(api::LineMode mode) {
    work_.Run([this, mode] { RefreshLineList(mode); });
}

void ServerListPanel::StartQuietRefresh(api::LineMode mode) {
    work_.Run([this, mode] {
        if (api::RefreshServerListQuietly(mode, s_.lists, s_.service, s_.log) ==
            api::RefreshOutcome::Merged) {
            ShowMergedRows(mode);
        }
    });
}

void ServerListPanel::RefreshLineList(api::LineMode mode) {
    int errorCode = 0;
    const api::RefreshOutcome outcome =
        api::RefreshServerList(mode, s_.lists, s_.service, s_.log, errorCode,
                               [this] { ShowRefreshText(kRefreshingText); });
    std::string text;
    switch (outcome) {
        case api::RefreshOutcome::Busy:
            return;
        case api::RefreshOutcome::Merged:
            ShowMergedRows(mode);
            ShowRefreshText(kRefreshedText);
            return;
        case api::RefreshOutcome::DownloadFailed:
            text = kRefreshDownloadError + std::to_string(errorCode);
            break;
        case api::RefreshOutcome::ParseFailed:
            text = kRefreshParseError;
            break;
    }
    s_.log.Write("[" + api::LineModeText(mode) + "] " + text);
    ShowRefreshText(kRefreshFailedText);
    ShowRefreshText(std::move(text));
}

void ServerListPanel::ShowMergedRows(api::LineMode mode) {
    poster_.Post([this, mode] { RefillShownRows(mode); });
}

void ServerListPanel::RefillShownRows(api::LineMode mode) {
    if (!shown_ || shown_->mode != mode) return;
    Control* nodes = Find(s_.windows, kNodeList);
    if (nodes == nullptr) return;
    // The chosen row stays chosen where it is still listed (a domain is unique
    // within its province), so the keyboard goes on from there.
    const int chosen = nodes->chosenRow();
    const std::string province = nodes->Cell(chosen, kProvinceColumn);
    const std::string domain = nodes->Cell(chosen, kDomainColumn);
    FillNodeList(mode, shown_->filterText);
    FillProvinceList(mode);
    for (int row = 0; chosen >= 0 && row < nodes->RowCount(); ++row) {
        if (nodes->Cell(row, kDomainColumn) == domain &&
            nodes->Cell(row, kProvinceColumn) == province) {
            nodes->ChooseRow(row);  // from code: no pick
            break;
        }
    }
}

void ServerListPanel::ShowRefreshText(std::string text) {
    poster_.Post(
        [this, text = std::move(text)] { SetCaption(s_.windows, kCurrentLineLabel, text); });
}

}  // namespace xl::ui
