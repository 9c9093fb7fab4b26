// The progress line of the main window: the latest text of the engine's work,
// elided in the middle (keeping the file name) to the width it has, so that a
// long path never widens the window.
#pragma once

#include <QLabel>
#include <QResizeEvent>

namespace dm::ui {

class LabelDoing : public QLabel {
public:
    explicit LabelDoing(QWidget* parent = nullptr) : QLabel(parent)
    {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }

    void showText(const QString& text)
    {
        full_ = text;
        elide();
    }

    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }
    QSize sizeHint() const override { return {0, QLabel::sizeHint().height()}; }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        elide();
    }

private:
    void elide()
    {
        setText(fontMetrics().elidedText(full_, Qt::ElideMiddle, width()));
        setToolTip(full_);
    }

    QString full_;
};

}  // namespace dm::ui
