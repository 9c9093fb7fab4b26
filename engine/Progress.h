// What the engine needs of a progress display: a text to show, an abort
// request to honour, and a chance for the display to process its events.
#pragma once

#include <string>

namespace dm {

class ProgressLabel {
public:
    virtual ~ProgressLabel() = default;
    virtual void setText(const std::string& text) = 0;
    // The label's integer tag: non-zero asks the engine to stop.
    virtual int tag() const = 0;
    virtual void setTag(int value) = 0;
    virtual void processMessages() = 0;
};

}  // namespace dm
