#include "platform/ChildProcess.h"

namespace dm::platform {

std::vector<std::string> commandWords(const std::string& line)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quote) {
            if (c == quote)
                quote = 0;
            else
                word += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
            inWord = true;
        } else if (c == '\\' && i + 1 < line.size()) {
            word += line[++i];
            inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

std::string rsyncCommandLine(const std::vector<std::string>& words)
{
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty()) line += ' ';
        // Single quotes keep everything but themselves; a single quote goes in
        // double quotes. Quoted pieces next to each other make one word.
        line += '\'';
        for (const char c : word) {
            if (c == '\'')
                line += "'\"'\"'";
            else
                line += c;
        }
        line += '\'';
    }
    return line;
}

}  // namespace dm::platform
