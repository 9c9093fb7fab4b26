// A progress label for tests: records texts, and can ask for an abort when a
// given text appears (the moment a folder is entered).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/Progress.h"

namespace dm::test {

class FakeLabel : public ProgressLabel {
public:
    void setText(const std::string& text) override
    {
        texts.push_back(text);
        if (onText) onText(text, *this);
    }
    int tag() const override { return tag_; }
    void setTag(int value) override { tag_ = value; }
    void processMessages() override { ++pumps; }

    std::vector<std::string> texts;
    int pumps = 0;
    std::function<void(const std::string&, FakeLabel&)> onText;

private:
    int tag_ = 0;
};

}  // namespace dm::test
