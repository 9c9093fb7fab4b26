#include "ui/presenter/JobsPresenter.h"

#include <cstdio>

#include "common/Messages.h"
#include "platform/Listing.h"
#include "platform/ProgramPaths.h"

namespace dm {

std::string scheduleText(const std::string& schedule)
{
    char word[16] = {}, value[16] = {};
    const int words = std::sscanf(schedule.c_str(), "%15s %15s", word, value);
    if (words <= 0) return textIn("不按时运行", "no schedule");
    const std::string kind = word;
    if (kind == "daily") return textIn("每天 ", "daily at ") + value;
    if (kind == "hourly") return textIn("每小时", "hourly");
    if (kind == "every") return textIn("每 ", "every ") + value + textIn(" 分钟", " minutes");
    return schedule;
}

std::string jobLine(const Job& job)
{
    std::string line = job.request.folderA + " → " + job.request.folderB + "    " +
                       (job.sync ? textIn("比较并同步", "compare and sync") : textIn("只比较", "compare only")) +
                       "    " + scheduleText(job.schedule);
    if (const std::string next = nextRunOf(job.name); !next.empty())
        line += textIn("    下次运行: ", "    next run: ") + next;
    return line;
}

std::string commandLineProgram()
{
    const std::string here = platform::folderOf(platform::programFile());
    for (const std::string& candidate :
         {here + "dirmatch", here + "../cli/dirmatch", here + "dirmatch.exe", here + "../../cli/dirmatch.exe"})
        if (platform::itemExists(candidate)) return candidate;
    return "dirmatch";
}

std::vector<std::string> jobCommand(const std::vector<std::string>& arguments)
{
    std::vector<std::string> command{commandLineProgram(), "job"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    command.insert(command.end(), {"--lang", currentLanguage() == English ? "en" : "zh"});
    return command;
}

}  // namespace dm
