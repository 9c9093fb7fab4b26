// The progress line of the main window. It is the engine's progress label: the
// engine writes its progress into it, and its integer tag is the abort request.
#pragma once

#include <QCoreApplication>
#include <QLabel>

#include "engine/Progress.h"

namespace dm::ui {

class LabelDoing : public QLabel, public ProgressLabel {
public:
    explicit LabelDoing(QWidget* parent = nullptr) : QLabel(parent) {}

    void setText(const std::string& text) override { QLabel::setText(QString::fromStdString(text)); }
    int tag() const override { return tag_; }
    void setTag(int value) override { tag_ = value; }
    void processMessages() override { QCoreApplication::processEvents(); }

private:
    int tag_ = 0;
};

}  // namespace dm::ui
