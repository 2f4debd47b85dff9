#include "frame/about_window.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "frame/artwork.h"

namespace tilt::frame {

namespace {
constexpr int kPictureSize = 72;

// The maker's contact lines, joined by carriage returns.
const QString kContactLines = QStringLiteral(
    "Veltrimonic\r"
    "Inclination dataloggers and their software\r"
    "For customer support, contact Veltrimonic or your distributor.");

QLabel* addLabel(QDialog* dialog, const char* name, const QString& text) {
    auto* label = new QLabel(text, dialog);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}
}  // namespace

AboutWindow::AboutWindow(const std::string& appVersion, QWidget* parent) : QDialog(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("About Tiltavarometer"));

    auto* picture = new QLabel(this);
    picture->setPixmap(productPicture(kPictureSize));
    picture->setAlignment(Qt::AlignTop);

    QLabel* title = addLabel(this, "Label1", QStringLiteral("Tiltavarometer Software"));
    QFont bold = title->font();
    bold.setPointSizeF(bold.pointSizeF() * 1.4);
    bold.setBold(true);
    title->setFont(bold);
    QLabel* version =
        addLabel(this, "Label2", QStringLiteral("Version ") + QString::fromStdString(appVersion));
    // A label breaks lines at LF only.
    QLabel* contact = addLabel(this, "Label3", QString(kContactLines).replace('\r', '\n'));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::close);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(18);
    layout->addWidget(picture, 0, 0, 4, 1);
    layout->addWidget(title, 0, 1);
    layout->addWidget(version, 1, 1);
    layout->addWidget(contact, 2, 1);
    layout->addWidget(ok, 3, 1, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace tilt::frame
