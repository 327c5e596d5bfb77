#include "generated_lists.h"

#include <string>

namespace xl::standin {
namespace {

// u8 literals: the build turns ordinary literals into GBK, while JSON is UTF-8.
constexpr const char8_t* kProvinces[] = {
    u8"北京", u8"天津", u8"河北", u8"山西", u8"内蒙古", u8"辽宁", u8"吉林", u8"黑龙江", u8"上海",
    u8"江苏", u8"浙江", u8"安徽", u8"福建", u8"江西",   u8"山东", u8"河南", u8"湖北",   u8"湖南",
    u8"广东", u8"广西", u8"海南", u8"重庆", u8"四川",   u8"贵州", u8"云南", u8"西藏",   u8"陕西",
    u8"甘肃", u8"青海", u8"宁夏", u8"新疆", u8"香港",   u8"澳门", u8"台湾"};
constexpr const char8_t* kIsps[] = {u8"电信", u8"联通", u8"移动"};
constexpr const char8_t* kCity = u8"城市";
constexpr int kFaultyEvery = 97;
constexpr int kGoneEvery = 101;

std::string Utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

}  // namespace

nlohmann::ordered_json GeneratedLists(int rows) {
    constexpr int kProvinceCount = static_cast<int>(std::size(kProvinces));
    const struct {
        const char* path;
        const char* tag;
        bool withIp;
    } lists[] = {{"/serverlistpc/", "dyn", false},
                 {"/serverlistpc_xiulanfast/", "fast", false},
                 {"/getstaticiplist/", "static", true}};
    nlohmann::ordered_json result = nlohmann::ordered_json::object();
    for (const auto& list : lists) {
        nlohmann::ordered_json data = nlohmann::ordered_json::array();
        for (int i = 0; i < rows; ++i) {
            const int province =
                static_cast<int>(static_cast<long long>(i) * kProvinceCount / rows);
            nlohmann::ordered_json row;
            row["province"] = Utf8(kProvinces[province]);
            row["city"] = Utf8(kProvinces[province]) + Utf8(kCity) + std::to_string(i);
            row["domain"] = std::string("node") + std::to_string(i) + "." + list.tag + ".example";
            row["isp"] = Utf8(kIsps[i % 3]);
            row["status"] = i % kGoneEvery == kGoneEvery - 1       ? -1
                            : i % kFaultyEvery == kFaultyEvery - 1 ? 1
                                                                   : 0;
            if (list.withIp) {
                row["ip"] = "10." + std::to_string(i / 65536 % 256) + "." +
                            std::to_string(i / 256 % 256) + "." + std::to_string(i % 256);
            }
            data.push_back(std::move(row));
        }
        result[list.path] = std::move(data);
    }
    return result;
}

}  // namespace xl::standin
