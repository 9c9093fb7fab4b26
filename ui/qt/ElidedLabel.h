// A line of text elided in the middle (keeping the file name) to the width it
// has, the whole text in its tooltip, so that a long path never widens the
// window: the progress line, the panels of the status bar.
#pragma once

#include <QLabel>
#include <QResizeEvent>

namespace dm::ui {

class ElidedLabel : public QLabel {
public:
    explicit ElidedLabel(QWidget* parent = nullptr) : QLabel(parent)
    {
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }

    void showText(const QString& text)
    {
        full_ = text;
        elide();
    }

    const QString& fullText() const { return full_; }

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
