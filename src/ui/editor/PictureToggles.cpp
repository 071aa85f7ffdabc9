#include "ui/editor/PictureToggles.h"

#include "core/profiles/EnvelopeDocument.h"
#include "ui/common/ControlNames.h"
#include "ui/common/Icons.h"
#include "ui/controls/DialogParts.h"

#include <QHBoxLayout>
#include <QToolButton>

namespace Editor = ControlNames::Editor;

PictureToggles::PictureToggles(EnvelopeDocument& document, QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    const std::array<QString, 4> hints = {
        QStringLiteral("Печатать блок отправителя"), QStringLiteral("Печатать блок получателя"),
        QStringLiteral("Печатать блок индекса"), QStringLiteral("Печатать место марки")};
    for (int i = 0; i < 4; ++i) {
        auto* toggle = new QToolButton(this);
        toggle->setCheckable(true);
        toggle->setChecked(true);
        toggle->setToolTip(hints[size_t(i)]);
        toggle->setIcon(printToggleIcon(i));
        toggle->setIconSize(QSize(30, 30));
        toggle->setAccessibleName(hints[size_t(i)]);
        setProgramName(toggle, QLatin1String(Editor::pictureToggle) + QString::number(i + 1));
        toggles[size_t(i)] = toggle;
        row->addWidget(toggle);
        connect(toggle, &QToolButton::toggled, this,
                [&document, i](bool printed) { document.setPicturePrinted(i, printed); });
        connect(toggle, &QToolButton::clicked, this, [this] { emit userChanged(); });
    }
}

void PictureToggles::showPrinted(int slot, bool printed) {
    toggles[size_t(slot)]->setChecked(printed);
}

void PictureToggles::showOffered(int slot, bool offered) {
    toggles[size_t(slot)]->setVisible(offered);
}
