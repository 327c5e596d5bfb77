// The server list panel at work, headless against the stand-in service: the
// list shown after start-up's delayed load, rows that are gone, the search and
// the province pick by their containment rule, the pick of a row by click, key
// or rest (a static row asks the service first) and the refresh texts of the
// bottom line with the rows they bring.
#include <variant>

#include "program/program_fixture.h"

namespace xl::program::test {
namespace {

constexpr char kNodes[] = "超级列表框_节点列表";
constexpr char kProvinces[] = "超级列表框_省份";
constexpr char kDynamicPath[] = "/serverlistpc/";
constexpr char kFastPath[] = "/serverlistpc_xiulanfast/";
constexpr char kStaticRequests[] = "/_control/count?path=/setstaticip/";
using Texts = std::vector<std::string>;

TEST_F(ProgramFlow, TheListShowsOnceTheDelayedLoadRuns) {
    standin_.Fault(kDynamicPath, "delay_ms=1000");
    Start();
    // The start-up's download (started once the probe has answered) holds the
    // list: the main window's own refreshes of it then do nothing.
    ASSERT_TRUE(Eventually(
        [&] { return standin_.Get(std::string("/_control/count?path=") + kDynamicPath) == "1"; }));
    LogInAsDemo();
    Settle();
    EXPECT_TRUE(Cities().empty()) << "the first fill came before the download";
    backend_.Advance(ui::kDelayedListReload - 1ms);
    EXPECT_TRUE(Cities().empty());
    backend_.Advance(1ms);
    EXPECT_EQ(Cities(), (Texts{"深圳", "广州", "东莞", "南京", "杭州", "青岛", "成都"}));
    EXPECT_EQ(Column(kNodes, 1), (Texts{"广东", "广东", "广东", "江苏", "浙江", "山东", "四川"}));
    EXPECT_EQ(Column(kNodes, 4), (Texts{"正常", "正常", "正常", "故障", "正常", "正常", "正常"}));
    EXPECT_EQ(Column(kNodes, 5)[0], "gd-sz1.xiulan.example");
    EXPECT_EQ(Column(kNodes, 6)[0], "") << "no ip outside static lines";
    EXPECT_EQ(Column(kProvinces, 0), (Texts{"广东", "江苏", "浙江", "山东", "四川"}));
    EXPECT_EQ(Caption("透明标签_连接状态"), "获取线路数据成功！");
    EXPECT_EQ(backend_.delayedTasks(), 0);
    Settle();
}

TEST_F(ProgramFlow, RowsThatAreGoneAreNeverShown) {
    LogInWithListsShown();
    standin_.Reset();
    // The next reply leaves out 深圳, which the merge then marks gone.
    standin_.Fault(kDynamicPath, "changing=1&times=1");
    ASSERT_TRUE(Click("透明标签_动态线路"));
    Settle();
    standin_.Fault(kDynamicPath, "status=500");
    ASSERT_TRUE(Click("图片框_动态线路"));
    const Texts left{"广州", "东莞", "南京", "杭州", "青岛", "成都"};
    EXPECT_EQ(Cities(), left);
    Settle();
    backend_.Type(WindowId::Main, "编辑框_搜索", "");
    ASSERT_TRUE(Click("透明标签_搜索"));
    EXPECT_EQ(Cities(), left);
    backend_.Type(WindowId::Main, "编辑框_搜索", "深圳");
    ASSERT_TRUE(Click("透明标签_搜索"));
    EXPECT_TRUE(Cities().empty());

    ASSERT_TRUE(Click("图片框_静态线路"));
    EXPECT_EQ(Cities(), (Texts{"苏州", "无锡", "郑州"}));
    EXPECT_EQ(Column(kNodes, 4), (Texts{"正常", "故障", "正常"}));
    EXPECT_EQ(Column(kNodes, 6), (Texts{"198.51.100.11", "198.51.100.12", "198.51.100.21"}));
    Settle();
}

api::ServerNode Node(const char* province, const char* city, std::int32_t status = 0) {
    api::ServerNode node;
    node.province = province;
    node.city = city;
    node.domain = std::string("host-") + std::to_string(std::hash<std::string>{}(city)) + ".test";
    node.status = status;
    return node;
}

TEST_F(ProgramFlow, SearchAndProvincePickKeepWhatContainsAnyWord) {
    standin_.Fault(kDynamicPath, "status=500");  // the list below stays as it is
    Start();
    LogInAsDemo();
    Settle();
    {
        api::ServerList& list = program_->ServerLists().List(api::LineMode::Dynamic);
        std::lock_guard lock(list.lock);
        list.groups = {
            {"江苏", {Node("江苏", "南京"), Node("江苏", "苏州", 1), Node("江苏", "无锡", -1)}},
            {"浙江", {Node("浙江", "杭州"), Node("浙江", "江山")}},
            {"上海", {Node("上海", "江苏路")}},
            {"广东", {Node("广东", "")}},
            {"", {Node("", ""), Node("", "温州")}},
        };
    }
    ASSERT_TRUE(Click("图片框_动态线路"));
    EXPECT_EQ(Column(kProvinces, 0), (Texts{"江苏", "浙江", "上海", "广东", ""}));

    struct Search {
        const char* text;
        Texts cities;
    };
    const Search searches[] = {
        // A group whose name holds a word shows whole; elsewhere the city must hold one.
        {"江 州", {"南京", "苏州", "杭州", "江山", "江苏路", "温州"}},
        {"州", {"苏州", "杭州", "温州"}},
        // An empty word is in every non-empty text: all but the row with neither name.
        {"", {"南京", "苏州", "杭州", "江山", "江苏路", "", "温州"}},
        {"杭州 ", {"南京", "苏州", "杭州", "江山", "江苏路", "", "温州"}},
        // 暇 is the middle two bytes of 南京: no match across characters.
        {"暇", {}},
    };
    for (const Search& s : searches) {
        backend_.Type(WindowId::Main, "编辑框_搜索", s.text);
        ASSERT_TRUE(backend_.PressKey(WindowId::Main, "编辑框_搜索", ui::Key::Enter));
        EXPECT_EQ(Cities(), s.cities) << "search '" << s.text << "'";
        EXPECT_EQ(program_->ServerList()->FilterText(), s.text);
    }

    struct Pick {
        int row;
        const char* province;
        Texts cities;
    };
    const Pick picks[] = {
        {0, "江苏", {"南京", "苏州", "江苏路"}},
        {2, "上海", {"江苏路"}},
        {2, "上海", {"江苏路"}},  // the province shown already: taken, and the list closes
    };
    for (const Pick& p : picks) {
        ASSERT_TRUE(Click("透明标签_省份下拉按钮"));
        EXPECT_TRUE(C(WindowId::Main, kProvinces).visible());
        EXPECT_EQ(C(WindowId::Main, kProvinces).position().height, 120);
        ASSERT_TRUE(backend_.ClickRow(WindowId::Main, kProvinces, p.row));
        EXPECT_FALSE(C(WindowId::Main, kProvinces).visible());
        EXPECT_EQ(Caption("透明标签_省份已选"), p.province);
        EXPECT_EQ(Cities(), p.cities) << p.province;
    }
    ASSERT_TRUE(Click("透明标签_省份已选"));
    ASSERT_TRUE(Click("透明标签_省份已选"));
    EXPECT_FALSE(C(WindowId::Main, kProvinces).visible()) << "a second click closes it";
}

TEST_F(ProgramFlow, APickIsDialledNextAndAStaticRowAsksTheServiceFirst) {
    LogInWithListsShown();
    struct Case {
        const char* lineClick;
        const char* staticFault;  // on /setstaticip/, or ""
        int row;
        const char* status;     // "" leaves the line's own text
        const char* shownName;  // "" leaves the names as they were
        const char* host;       // dialled next
        const char* protocol;
    };
    const Case cases[] = {
        {"图片框_动态线路", "", 1, "", "广东广州", "gd-gz1.xiulan.example", "PPTP"},
        {"图片框_静态线路", "body=empty", 0,
         "设置静态IP失败！该线路暂时不可用，请重试或者尝试切换其他线路！", "",
         "js-sz-s1.xiulan.example", "PPTP"},
        {"图片框_静态线路", "", 2, "设置静态IP成功！", "河南郑州", "hn-zz-s1.xiulan.example:4433",
         "SSTP"},
    };
    int requests = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        standin_.Reset();
        if (*c.staticFault) standin_.Fault("/setstaticip/", c.staticFault);
        ASSERT_TRUE(Click(c.lineClick));
        Settle();
        const std::string chosenBefore = Caption("透明标签_已选线路");
        const std::string currentBefore = Caption("透明标签_当前线路");
        const std::string serverBefore = Get(kServer);
        ASSERT_TRUE(backend_.ClickRow(WindowId::Main, kNodes, c.row));
        Settle();  // the static request's answer
        if (*c.status) {
            EXPECT_EQ(Caption("透明标签_连接状态"), c.status);
        }
        const bool kept = *c.shownName == '\0';
        EXPECT_EQ(Caption("透明标签_已选线路"), kept ? chosenBefore : c.shownName);
        EXPECT_EQ(Caption("透明标签_当前线路"), kept ? currentBefore : c.shownName);
        EXPECT_EQ(Get(kServer), kept ? serverBefore : Column(kNodes, 5)[c.row]);
        if (!kept) {
            EXPECT_EQ(Get(kServerName), c.shownName);
        }
        EXPECT_EQ(Get(kProtocol), c.protocol);
        const bool asked = std::string(c.lineClick) == "图片框_静态线路";
        EXPECT_EQ(standin_.Get("/_control/count?path=/setstaticip/"), asked ? "1" : "0");
        if (asked) ++requests;

        ASSERT_TRUE(Click("超级按钮_连接"));
        const auto entry = ras_.StoredEntry(program_->DialEngine().State().phoneBookPath, "岫澜IP");
        EXPECT_EQ(entry->localPhoneNumber, c.host);
        ASSERT_TRUE(Click("超级按钮_连接"));
    }
    EXPECT_NE(standin_.Get("/_control/last?path=/setstaticip/").find("user=demo&ip=198.51.100.21"),
              std::string::npos);
    EXPECT_EQ(log_.With("设置静态IP失败").size(), 1u);
    EXPECT_EQ(requests, 2);
}

// A static row asks the service once it is picked: by a click, also on the
// row already chosen (a retry after a refusal), by Enter, or once the arrow
// keys have left the selection on it for 600 ms; the rows passed ask nothing.
TEST_F(ProgramFlow, AStaticRowAsksOnceItIsPickedNotForEachRowPassed) {
    LogInWithListsShown();
    ASSERT_TRUE(Click("图片框_静态线路"));
    Settle();
    ASSERT_EQ(Cities(), (Texts{"苏州", "无锡", "郑州"}));
    struct Step {
        std::variant<int, ui::Key> action;  // a row clicked, or a key pressed in the list
        std::chrono::milliseconds then;     // how far the clock moves on afterwards
        int requests;                       // asked so far
        const char* ip;                     // in the last request
    };
    const Step steps[] = {
        {0, 0ms, 1, "198.51.100.11"},  // refused, below
        {0, 0ms, 2, "198.51.100.11"},  // the same row again: the retry
        {ui::Key::Down, 599ms, 2, "198.51.100.11"},
        {ui::Key::Down, 600ms, 3, "198.51.100.21"},  // 无锡, passed, never asked
        {ui::Key::Up, 0ms, 3, "198.51.100.21"},
        {ui::Key::Enter, 0ms, 4, "198.51.100.12"},
        {1, 600ms, 5, "198.51.100.12"},  // no second word from the rest cut short by Enter
        {2, 600ms, 6, "198.51.100.21"},  // a click that moves asks once, not again at rest
    };
    standin_.Fault("/setstaticip/", "body=empty&times=1");
    for (const Step& s : steps) {
        SCOPED_TRACE(s.requests);
        if (const int* row = std::get_if<int>(&s.action)) {
            ASSERT_TRUE(backend_.ClickRow(WindowId::Main, kNodes, *row));
        } else {
            ASSERT_TRUE(backend_.PressKey(WindowId::Main, kNodes, std::get<ui::Key>(s.action)));
        }
        backend_.Advance(s.then);
        Settle();
        EXPECT_EQ(standin_.Get(kStaticRequests), std::to_string(s.requests));
        EXPECT_NE(standin_.Get("/_control/last?path=/setstaticip/").find(s.ip), std::string::npos);
        EXPECT_EQ(Caption("透明标签_连接状态"),
                  s.requests == 1 ? "设置静态IP失败！该线路暂时不可用，请重试或者尝试切换其他线路！"
                                  : "设置静态IP成功！");
    }
}

// The static request runs off the user-interface thread: while the service
// holds its answer the windows take clicks and posted work, another row is
// not picked, and the answer, when it comes, is the first row's.
TEST_F(ProgramFlow, WhileAStaticRequestIsOpenTheWindowsAnswerAndNoOtherRowIsPicked) {
    LogInWithListsShown();
    ASSERT_TRUE(Click("图片框_静态线路"));
    Settle();
    standin_.Fault("/setstaticip/", "delay_ms=60000");
    ASSERT_TRUE(backend_.ClickRow(WindowId::Main, kNodes, 0));
    EXPECT_TRUE(program_->ServerList()->StaticIpRequestUnderWay()) << "the click waited";

    ASSERT_TRUE(Click("透明标签_省份下拉按钮"));
    EXPECT_TRUE(C(WindowId::Main, kProvinces).visible());
    bool posted = false;
    windows_.Post([&] { posted = true; });
    backend_.DispatchPending();
    EXPECT_TRUE(posted);
    ASSERT_TRUE(backend_.ClickRow(WindowId::Main, kNodes, 2));
    ASSERT_TRUE(backend_.PressKey(WindowId::Main, kNodes, ui::Key::Up));
    backend_.Advance(ui::kKeyboardPickRest);
    ASSERT_TRUE(backend_.PressKey(WindowId::Main, kNodes, ui::Key::Enter));
    EXPECT_TRUE(program_->ServerList()->StaticIpRequestUnderWay());

    ReleaseHeldCalls("/setstaticip/", 1);
    Settle();
    EXPECT_FALSE(program_->ServerList()->StaticIpRequestUnderWay());
    EXPECT_EQ(Caption("透明标签_连接状态"), "设置静态IP成功！");
    EXPECT_EQ(Caption("透明标签_已选线路"), "江苏苏州");
    EXPECT_EQ(Get(kServer), "js-sz-s1.xiulan.example");
    EXPECT_EQ(standin_.Get(kStaticRequests), "1");
}

// A logout during the request does not wait for it and its answer changes
// nothing; nor does a quit, whose late answer finds the program gone.
TEST_F(ProgramFlow, ALogoutOrQuitDuringAStaticRequestEndsAtOnceAndItsAnswerIsDropped) {
    LogInWithListsShown();
    ASSERT_TRUE(Click("图片框_静态线路"));
    Settle();
    const std::string chosenBefore = Caption("透明标签_已选线路");
    const std::string serverBefore = Get(kServer);
    standin_.Fault("/setstaticip/", "delay_ms=60000");
    ASSERT_TRUE(backend_.ClickRow(WindowId::Main, kNodes, 0));
    ASSERT_TRUE(Click("透明标签_注销"));
    ASSERT_TRUE(backend_.Click(WindowId::ConfirmDialog, "超级按钮_确认"));
    EXPECT_TRUE(Visible(WindowId::Login));
    EXPECT_FALSE(program_->ServerList()->StaticIpRequestUnderWay()) << "dropped";
    ReleaseHeldCalls("/setstaticip/", 1);
    Settle();
    EXPECT_EQ(Caption("透明标签_已选线路"), chosenBefore);
    EXPECT_EQ(Caption("透明标签_连接状态"), "获取线路数据成功！");
    EXPECT_EQ(Get(kServer), serverBefore);

    LogInAsDemo();
    ASSERT_TRUE(backend_.ClickRow(WindowId::Main, kNodes, 2));
    ASSERT_TRUE(Click("透明标签_关闭"));
    ASSERT_TRUE(backend_.Click(WindowId::ConfirmDialog, "超级按钮_确认"));
    EXPECT_EQ(ended_, std::vector<int>{0});
    EXPECT_TRUE(program_->ServerList()->StaticIpRequestUnderWay()) << "nothing waited for it";
    // The process would end here; its objects go, and the answer comes after.
    const auto requests = program_->ServerList()->StaticIpRequests().Workers();
    program_.reset();
    ReleaseHeldCalls("/setstaticip/", 2);
    requests->WaitIdle();
    backend_.DispatchPending();
}

TEST_F(ProgramFlow, ARefreshReportsInTheCurrentLine) {
    // The start-up's download of the fast list fails: on its first visit the
    // list shows the rows once the refresh has brought them.
    standin_.Fault(kFastPath, "status=500");
    LogInWithListsShown();
    const Texts fastCities{"上海", "北京", "武汉"};
    struct Case {
        const char* fault;
        const char* text;
    };
    const Case cases[] = {
        {"", "更新线路成功"},
        {"status=500", "下载线路数据错误:1"},
        {"body=malformed", "下载线路数据错误:2"},
        {"raw=%7B%22code%22%3A403%7D", "下载线路数据错误:403"},
        {"raw=%7B%22code%22%3A200%2C%22data%22%3A%5B%5D%7D", "处理线路数据错误"},
        {"", "更新线路成功"},
    };
    for (const Case& c : cases) {
        standin_.Reset();
        standin_.Fault(kFastPath, std::string("delay_ms=300&") + c.fault);
        ASSERT_TRUE(Click("透明标签_极速线路"));
        EXPECT_TRUE(Eventually([&] { return Caption("透明标签_当前线路") == "更新线路中..."; }))
            << c.text;
        // A row chosen while the refresh runs stays chosen when its rows come.
        const bool choose = !Cities().empty();
        if (choose) {
            ASSERT_TRUE(backend_.ClickRow(WindowId::Main, kNodes, 1));
        }
        Settle();
        EXPECT_EQ(Caption("透明标签_当前线路"), c.text);
        EXPECT_FALSE(program_->ServerLists().Busy(api::LineMode::Fast));
        // The failed refreshes leave the list as it was.
        EXPECT_EQ(Cities(), fastCities) << c.text;
        EXPECT_EQ(C(WindowId::Main, kNodes).chosenRow(), choose ? 1 : -1);
    }
    EXPECT_EQ(log_.With("线路数据错误").size(), 4u);
}

}  // namespace
}  // namespace xl::program::test
