#include "shell/ui/list_bar.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace tilt::shell::ui {

namespace {
constexpr int kIconSize = 40;
constexpr int kBarWidth = 150;
}  // namespace

ListBar::ListBar(QWidget* parent) : QFrame(parent), layout_(new QVBoxLayout(this)) {
    setFrameShape(QFrame::StyledPanel);
    setFixedWidth(kBarWidth);
    // A tinted panel, with disabled items still readable on it.
    QPalette tinted = palette();
    tinted.setColor(QPalette::Window, QColor(222, 228, 237));
    tinted.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 134, 142));
    tinted.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 134, 142));
    setPalette(tinted);
    setAutoFillBackground(true);
    layout_->setContentsMargins(6, 10, 6, 10);
    layout_->setSpacing(8);
    layout_->addStretch();
}

void ListBar::addBarItem(int group, const QString& text, const QIcon& icon, bool enabled) {
    auto* button = new QToolButton(this);
    button->setObjectName(text);
    button->setText(text);
    button->setToolTip(text);
    button->setIcon(icon);
    button->setIconSize(QSize(kIconSize, kIconSize));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    button->setEnabled(enabled);
    connect(button, &QToolButton::clicked, this,
            [this, group, text] { emit ItemClick(group, text); });
    layout_->insertWidget(layout_->count() - 1, button);
    items_.push_back({group, button});
}

QToolButton* ListBar::barItem(int group, int item) const {
    int index = 0;
    for (const Item& candidate : items_) {
        if (candidate.group == group && ++index == item) {
            return candidate.button;
        }
    }
    return nullptr;
}

void ListBar::setItemEnabled(int group, int item, bool enabled) {
    if (QToolButton* button = barItem(group, item)) {
        button->setEnabled(enabled);
    }
}

bool ListBar::isItemEnabled(int group, int item) const {
    const QToolButton* button = barItem(group, item);
    return button && button->isEnabled();
}

void ListBar::Refresh() {
    update();
}

}  // namespace tilt::shell::ui
