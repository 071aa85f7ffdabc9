#include "ui/editor/ProfileSwitches.h"

#include "core/profiles/EnvelopeDocument.h"
#include "ui/common/ControlNames.h"
#include "ui/controls/DialogParts.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace Editor = ControlNames::Editor;

namespace {

QCheckBox* switchBox(const QString& text, const QString& programName, QWidget* parent) {
    auto* box = new QCheckBox(text, parent);
    box->setAccessibleName(text);
    setProgramName(box, programName);
    return box;
}

} // namespace

ProfileSwitches::ProfileSwitches(EnvelopeDocument& document, QWidget* parent)
    : QWidget(parent), m_document(document) {
    indexSwapBox =
        switchBox(QStringLiteral("Поменять индексы местами"), Editor::indexSwapBox, this);
    confirmBox = switchBox(QStringLiteral("Подтверждение печати"), Editor::confirmBox, this);
    stencilBox = switchBox(QStringLiteral("Цифры индекса по трафарету"), Editor::stencilBox, this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(indexSwapBox);
    column->addWidget(stencilBox);
    column->addWidget(confirmBox);

    EnvelopeDocument& d = m_document;
    connect(confirmBox, &QCheckBox::toggled, this, [&d](bool on) { d.setPrintConfirm(on); });
    connect(indexSwapBox, &QCheckBox::toggled, this, [&d](bool on) { d.setIndexSwitch(on); });
    connect(stencilBox, &QCheckBox::toggled, this, [this, &d](bool on) {
        d.setIndexStencil(on);
        emit stencilChanged();
    });
    connect(indexSwapBox, &QCheckBox::clicked, this, [this] {
        emit userChanged();
        emit indexesSwapped();
    });
    connect(stencilBox, &QCheckBox::clicked, this, [this] { emit userChanged(); });
    connect(confirmBox, &QCheckBox::clicked, this, [this] { emit userChanged(); });
}

void ProfileSwitches::showDocument() {
    const PrintProfile& p = m_document.profile();
    confirmBox->setChecked(p.printconfirm);
    indexSwapBox->setChecked(p.indexswitch);
    stencilBox->setChecked(p.indexstencil);
}
