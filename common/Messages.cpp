// The program's own texts, Chinese and English, by number. The numbers are an
// interface: callers everywhere name a text by its number. Numbers without an
// entry here hold empty texts in both languages.
#include "common/Messages.h"

#include <array>
#include <cstdint>
#include <vector>

#include "platform/Text.h"

namespace dm {

namespace {

struct Entry {
    uint32_t number;
    const char* chinese;
    const char* english;
};

constexpr Entry kEntries[] = {
    {13, "错误, 目录不存在", "Error, directory is not exist."},
    {14, "错误, 无法开始比较", "Error, can't start comparing."},
    {16, "错误! 文件和目录总数大于: ", "Error! Count of files and directories exceed: "},
    {17, "缺:", "L:"},
    {18, " | 异:", " | D:"},
    {19, " | 多:", " | M:"},
    {35, "未曾比较, 初始状态", "Before Compare"},
    {36, "正在比较中", "Comparing..."},
    {37, "比较完成", "Comparison finished"},
    {38, "文件太多", "Too many files"},
    {39, "比较出错", "Comparing error"},
    {40, "错误, 目录相同", "Error, the two directories are identical"},
    {41, "未知错误", "Unknown error"},
    {50, "比较大小", "Compare file size"},
    {51, "不比较大小", "NOT Compare file size "},
    {52, ", 比较修改时间", ", Compare modification time"},
    {53, ", 不比较修改时间", ", Not Compare modification time"},
    {54, ", 比较文件版本", ", Compare file version"},
    {55, ", 不比较文件版本", ", Not Compare file version"},
    {56, ", 包含子目录", ", Compare sub directory"},
    {57, ", 不包含子目录", ", Not Compare sub directory"},
    {58, "比较规则: ", "Compare Rules: "},
    {96, "获取目录文件信息: ", "Get directories and files information: "},
    {101, "版本不存在", "版本不存在"},
    {102, "比较目录文件信息: ", "Compare directories and files information "},
    {106, "目录", "directory"},
    {118, "文件名", "File Name"},
    {119, "文件大小", "File Size"},
    {120, "文件版本", "File Version"},
    {121, "修改时间", "Modification Time"},
    {122, "文件夹 A 中文件", "Files in directory A"},
    {123, "0", "0"},
    {124, "不存在", "N/A"},
    {125, "文件夹 B 中文件", "Files in directory B"},
    {126, "目录\n", "目录\n"},
    {127, "文件\n", "文件\n"},
    {128, "BEGIN\n", "BEGIN\n"},
    {129, "END\n", "END\n"},
    {131, "BEGIN", "BEGIN"},
    {132, "END", "END"},
    {133, "目录", "目录"},
    {169, "请选择目录", "Select directory please."},
    {170, "分析结果-----文件夹A: 文件夹B", "Analyse result-----Directory A: Directory B"},
    {172, "当前没有成功分析结果, 无法同步, 请先进行分析",
     "Can't synchronize before successful analyze, do analyze first please. "},
    {175, "导出标准文件夹信息:", "Exporting standard directory information: "},
    {176, " 到信息文件:", " to file: "},
    {177, " 成功", " success."},
    {178, "导出失败", "Export failed"},
    {179, "文件不存在! ", "File is not exist!"},
    {180, "目录同步比较工具", "Directory Analyzing and Synchronizing Tool"},
    {244, "文件版本: ", "File Version: "},
    {245, "版本不存在", "N/A"},
    {267, "用户中止", "User terminate the operation"},
    {268, "获取文件信息出错, 文件名:", "Error reading file information, file name: "},
    {269, "为写入打开文件 ", "Open file for write, filename: "},
    {270, "为读入打开文件 ", "Open file for read, filename: "},
    {271, "\n出错行: ", "\nError Line: "},
    {272, "读信息文件出错", "Error reading information file."},
    {311, "同步操作会覆盖目标文件夹文件，是否要全部同步？",
     "This operation will overwrite files of Dir B with files of Dir A, continue?"},
    {312, "操作确认", "Confirming"},
    {313, "文件夹 A：", "Directory A: "},
    {314, "文件夹 B：", "Directory B: "},
    {315, "两个文件夹不相同。", "Directory A and B are NOT identical. "},
    {316, "两个文件夹完全相同。", "Directory A and B are identical. "},
    {317, "文件夹 B 与文件夹 A 相比", "Directory B compare with A"},
    {318, "       缺少文件个数：",
     "       Count of files that are exist in directory A and NOT exist in directory B: "},
    {319, "       不同文件个数：", "       Count of files that are different in directory A and B: "},
    {320, "       多余文件个数：", "      Count of files that are exist in directory B and NOT exist in directory A: "},
    {321, "需要比较的项：", "Items included : "},
    {322, "不要比较的项：", "Items NOT included: "},
    {323, "细节", "Details"},
};

constexpr std::array<const char*, 2 * kMessageCount> buildTable()
{
    std::array<const char*, 2 * kMessageCount> table{};
    for (const char*& text : table) text = "";
    for (const Entry& e : kEntries) {
        table[2 * e.number] = e.chinese;
        table[2 * e.number + 1] = e.english;
    }
    return table;
}

constexpr auto kTable = buildTable();

// The table is written in UTF-8; the program speaks the system's code page.
const std::vector<std::string>& systemTable()
{
    static const std::vector<std::string> converted = [] {
        std::vector<std::string> texts;
        texts.reserve(kTable.size());
        for (const char* text : kTable) texts.push_back(platform::fromUtf8(text));
        return texts;
    }();
    return converted;
}

uint8_t gLanguage = 0;

}  // namespace

void setLanguage(uint8_t language)
{
    gLanguage = language == 1 ? 1 : 0;
}

uint8_t currentLanguage()
{
    return gLanguage;
}

const char* messageRaw(uint32_t number)
{
    // The number is tested before doubling it, so that no huge number can wrap
    // around onto a real entry.
    if (number >= kMessageCount) return "";
    return systemTable()[2 * number + gLanguage].c_str();
}

std::string messageText(uint32_t number)
{
    return messageRaw(number);
}

std::string textIn(const char* chinese, const char* english)
{
    return platform::fromUtf8(gLanguage == English ? english : chinese);
}

}  // namespace dm
