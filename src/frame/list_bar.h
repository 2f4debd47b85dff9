#pragma once

#include <QFrame>
#include <QIcon>
#include <vector>

class QToolButton;
class QVBoxLayout;

namespace tilt::frame {

// The navigation bar: large icons with their captions, one above the other, in groups. Clicks
// on enabled items are reported with the item's group (counted from 1) and text.
class ListBar final : public QFrame {
    Q_OBJECT

  public:
    explicit ListBar(QWidget* parent = nullptr);

    // Adds an item to `group`; its name and key are its text.
    void addBarItem(int group, const QString& text, const QIcon& icon, bool enabled);

    // Items are counted from 1 within their group.
    void setItemEnabled(int group, int item, bool enabled);
    [[nodiscard]] bool isItemEnabled(int group, int item) const;
    [[nodiscard]] QToolButton* barItem(int group, int item) const;

    // Redraws the bar after its items changed.
    void Refresh();

  signals:
    void ItemClick(int group, const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void focusNeighbour(const QToolButton* from, int step);

    struct Item {
        int group;
        QToolButton* button;
    };
    QVBoxLayout* layout_;
    std::vector<Item> items_;
};

}  // namespace tilt::frame
