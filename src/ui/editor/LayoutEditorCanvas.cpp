// The layout editor's canvas: formats and pictures, blocks, selection,
// dragging, coordinate panels, key moves and the out-of-envelope check.
#include "ui/editor/LayoutEditor.h"

#include "core/Numbers.h"
#include "ui/common/ControlNames.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/PictureToggles.h"
#include "ui/editor/SheetPositionButton.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>

namespace Editor = ControlNames::Editor;

namespace {

// A block that is not printed is shown in the colour of inactive caption text.
const QColor hiddenColour(128, 128, 128);

constexpr std::initializer_list<int> digitBlocks = {12, 13, 14, 15, 16, 17};
constexpr std::initializer_list<int> senderBlocks = {2, 3, 4, 18, 19};
constexpr std::initializer_list<int> recipientBlocks = {7, 8, 9, 10, 11, 20};

bool isYField(int field) {
    return field == 2 || field == 5 || field == 7 || field == 9 || field == 11 || field == 13;
}

} // namespace

const ScreenConversions& LayoutEditor::screen() const {
    return *w.screen;
}

PictureCache& LayoutEditor::pictures() const {
    return *w.pictureCache;
}

QPoint LayoutEditor::blockPos(int number) const {
    const TextBlock& block = m_document.profile().block(number);
    return {block.x, block.y};
}

void LayoutEditor::moveBlock(int number, QPoint position) {
    m_document.setBlockPosition(number, position);
    label(number)->move(position);
}

int LayoutEditor::toWholeNumberOf(int field) const {
    return toWholeNumber(edit(field)->text());
}

int LayoutEditor::currentFormat() const {
    // No format before the first profile is shown.
    return m_formatShown ? m_document.profile().format : -1;
}

void LayoutEditor::showEnvelope() {
    const int format = currentFormat();
    if (format >= 0) {
        const EnvelopeFormat& f = envelopeFormats()[size_t(format)];
        const QSize size(screen().pxCoordX(f.widthMm), screen().pxCoordY(f.heightMm));
        surface->resize(size);
        if (f.allPictures) {
            for (PictureSlot slot : {SenderSlot, RecipientSlot, IndexSlot, StampSlot}) {
                Surface::Picture& picture = surface->pictures[slot];
                picture.position = picturePosition(format, slot, size);
                picture.image = pictures().picture(pictureFile(format, slot, true));
                picture.shown = true;
            }
        } else {
            Surface::Picture& sender = surface->pictures[SenderSlot];
            sender.position = QPoint(0, 0);
            sender.image = pictures().picture(pictureFile(format, SenderSlot, true));
            sender.shown = true;
            for (PictureSlot slot : {RecipientSlot, IndexSlot, StampSlot})
                surface->pictures[slot].shown = false;
        }
        formatPanel->setText(QString::fromUtf8(f.status));
    }
    centreSurface();
    markModified();
    showPictures();
}

void LayoutEditor::showPictures() {
    for (PictureSlot slot : {SenderSlot, RecipientSlot, IndexSlot, StampSlot})
        pictureToggles->showOffered(slot, true);
    const int format = currentFormat();
    if (format < 0) {
        surface->update();
        return;
    }
    const bool all = envelopeFormats()[size_t(format)].allPictures;
    // A format with one picture prints none of the other three.
    if (!all)
        for (PictureSlot slot : {RecipientSlot, IndexSlot, StampSlot})
            m_document.setPicturePrinted(slot, false);
    const std::array<bool, 4> printed = picturesPrinted();
    for (PictureSlot slot : {SenderSlot, RecipientSlot, IndexSlot, StampSlot}) {
        pictureToggles->showPrinted(slot, printed[slot]);
        if (!all && slot != SenderSlot) {
            pictureToggles->showOffered(slot, false);
            continue;
        }
        surface->pictures[slot].image =
            pictures().picture(pictureFile(format, slot, printed[slot]));
    }
    surface->update();
}

std::array<bool, 4> LayoutEditor::picturesPrinted() const {
    const PrintProfile& p = m_document.profile();
    return {p.otkogo, p.komu, p.index, p.marka};
}

int LayoutEditor::sheetPosition() const {
    return m_document.profile().listpos;
}

void LayoutEditor::setSheetPosition(int position) {
    m_document.setSheetPosition(position);
    sheetPositionButton->showPosition(position);
}

void LayoutEditor::resetLayout() {
    for (int n = 1; n <= blockCount; ++n)
        moveBlock(n, defaultBlockPosition(n));
    setSheetPosition(7);
    m_document.setPadMarker({70, 90});
    showEnvelope();
}

void LayoutEditor::centreSurface() {
    surface->move(workArea->width() / 2 - surface->width() / 2,
                  workArea->height() / 2 - surface->height() / 2);
}

void LayoutEditor::markModified() {
    m_document.setModified(true);
}

void LayoutEditor::showTexts() {
    const auto texts = blockTexts(w.mainWindow->addressTexts(), m_document.profile().indexswitch);
    for (int n = 1; n <= blockCount; ++n)
        label(n)->setText(texts[size_t(n - 1)]);
}

void LayoutEditor::showStencil() {
    for (int n = firstDigitBlock; n <= lastDigitBlock; ++n)
        label(n)->setStencil(m_document.profile().indexstencil);
}

void LayoutEditor::applyFonts() {
    for (int n = 1; n <= blockCount; ++n)
        label(n)->setBlockFont(blockFont(m_document.profile().block(n), screen()));
}

void LayoutEditor::paintLabel(int number) {
    const TextBlock& block = m_document.profile().block(number);
    if (isSelected(number))
        label(number)->setColour(Qt::red);
    else if (!block.visible)
        label(number)->setColour(hiddenColour);
    else
        label(number)->setColour(colourOf(block.colour));
}

void LayoutEditor::showVisibility() {
    for (int n = 1; n <= blockCount; ++n) {
        const TextBlock& block = m_document.profile().block(n);
        label(n)->setColour(block.visible ? colourOf(block.colour) : hiddenColour);
    }
}

void LayoutEditor::rememberPositions() {
    for (int n = 1; n <= blockCount; ++n)
        m_saved[size_t(n - 1)] = blockPos(n);
}

void LayoutEditor::clearSelection() {
    m_selected.fill(false);
    showVisibility();
}

void LayoutEditor::selectAll() {
    m_selected.fill(true);
    for (int n = 1; n <= blockCount; ++n)
        paintLabel(n);
}

void LayoutEditor::labelPress(int number, QMouseEvent* event) {
    m_document.endBurst();
    m_selected.fill(false);
    m_drag = event->button() != Qt::RightButton;
    m_grabPoint = event->position().toPoint();
    showVisibility();
    if (isDigitBlock(number)) {
        for (int n : digitBlocks)
            m_selected[size_t(n - 1)] = true;
    } else {
        m_selected[size_t(number - 1)] = true;
    }
    for (int n = 1; n <= blockCount; ++n) {
        if (!isSelected(n))
            continue;
        paintLabel(n);
        m_grabOffset[size_t(n - 1)] = blockPos(number) - blockPos(n);
    }
    rememberPositions();
    if (event->button() == Qt::RightButton) {
        visibilityItem->setChecked(m_document.profile().block(number).visible);
        blockMenu->popup(event->globalPosition().toPoint());
    }
}

void LayoutEditor::followTarget(QPoint target) {
    for (int n = 1; n <= blockCount; ++n) {
        if (!isSelected(n))
            continue;
        QPoint position = blockPos(n);
        const QPoint offset = m_grabOffset[size_t(n - 1)];
        // The axes are tested apart, so a block at a side keeps sliding along it.
        if (target.x() > 0 && target.x() < surface->width() - 10)
            position.setX(target.x() - offset.x());
        if (target.y() > 0 && target.y() < surface->height() - 10)
            position.setY(target.y() - offset.y());
        moveBlock(n, position);
        showCoordinates(n);
    }
}

void LayoutEditor::labelMove(int, QMouseEvent* event) {
    if (!m_drag)
        return;
    markModified();
    followTarget(surface->mapFromGlobal(event->globalPosition().toPoint()) - m_grabPoint);
}

void LayoutEditor::labelRelease(int, QMouseEvent* event) {
    m_drag = false;
    followTarget(surface->mapFromGlobal(event->globalPosition().toPoint()) - m_grabPoint);
    checkInside();
    recordChange(ProfileChange::Move);
    m_document.endBurst();
}

void LayoutEditor::checkInside() {
    bool outside = false;
    for (int n = 1; n <= blockCount && !outside; ++n) {
        const QPoint p = blockPos(n);
        const QSize size = label(n)->size();
        outside = p.x() < 0 || p.x() > surface->width() - size.width() || p.y() < 0 ||
                  p.y() > surface->height() - size.height();
    }
    if (!outside) {
        m_armed = true;
        return;
    }
    if (!m_armed)
        return;
    if (w.messages.question(QStringLiteral("Текст находится за пределами конверта, продолжить?"),
                            QStringLiteral("Внимание!"))) {
        m_armed = false;
        return;
    }
    for (int n = 1; n <= blockCount; ++n)
        moveBlock(n, m_saved[size_t(n - 1)]);
}

void LayoutEditor::showCoordinates(int number) {
    auto show = [this](int xField, int yField, int block) {
        edit(xField)->setText(QString::number(blockPos(block).x()));
        edit(yField)->setText(QString::number(blockPos(block).y()));
    };
    if (isDigitBlock(number))
        show(1, 2, firstDigitBlock);
    else if (number == 1)
        show(4, 5, 1);
    else if (number == 5)
        show(10, 11, 5);
    else if (number == 7)
        show(6, 7, 7);
    else if (number == 6)
        show(12, 13, 6);
}

void LayoutEditor::moveGroup(const std::initializer_list<int>& blocks, QPoint delta) {
    for (int n : blocks)
        moveBlock(n, blockPos(n) + delta);
}

void LayoutEditor::applyDigitCells() {
    rememberPositions();
    const QPoint target(toWholeNumberOf(1), toWholeNumberOf(2));
    for (int n : digitBlocks) {
        moveBlock(n, target);
        applyDigitSpacing();
    }
    checkInside();
}

void LayoutEditor::applyDigitSpacing() {
    const int z = toWholeNumberOf(3);
    if (z <= 0 || z >= 100)
        return;
    for (int n = firstDigitBlock + 1; n <= lastDigitBlock; ++n) {
        const int x = blockPos(n - 1).x() + label(n - 1)->width() - 10 + z;
        moveBlock(n, QPoint(x, blockPos(n).y()));
    }
}

void LayoutEditor::applySenderBlock() {
    rememberPositions();
    const QPoint start = blockPos(1);
    const QPoint target(toWholeNumberOf(4), toWholeNumberOf(5));
    moveBlock(1, target);
    moveGroup(senderBlocks, target - start);
    edit(10)->setText(QString::number(blockPos(5).x()));
    edit(11)->setText(QString::number(blockPos(5).y()));
    checkInside();
}

void LayoutEditor::applyRecipientBlock() {
    rememberPositions();
    const QPoint start = blockPos(7);
    const QPoint target(toWholeNumberOf(6), toWholeNumberOf(7));
    moveGroup(recipientBlocks, target - start);
    checkInside();
}

void LayoutEditor::applySenderIndex() {
    rememberPositions();
    moveBlock(5, QPoint(toWholeNumberOf(10), toWholeNumberOf(11)));
    checkInside();
}

void LayoutEditor::applyRecipientIndex() {
    rememberPositions();
    moveBlock(6, QPoint(toWholeNumberOf(12), toWholeNumberOf(13)));
    checkInside();
}

void LayoutEditor::applyField(int field) {
    switch (field) {
    case 1:
    case 2:
        applyDigitCells();
        break;
    case 3:
        applyDigitSpacing();
        break;
    case 4:
    case 5:
        applySenderBlock();
        break;
    case 6:
    case 7:
        applyRecipientBlock();
        break;
    case 10:
    case 11:
        applySenderIndex();
        break;
    case 12:
    case 13:
        applyRecipientIndex();
        break;
    default:
        break;
    }
    recordChange(field == 3 ? ProfileChange::DigitSpacing : ProfileChange::Move);
    m_document.endBurst();
}

void LayoutEditor::arrowStep(int panel, int direction) {
    // Field pairs of the panels: digit cells, sender, block 5, recipient, block 6, sheet.
    constexpr int fields[6][2] = {{1, 2}, {4, 5}, {10, 11}, {6, 7}, {12, 13}, {8, 9}};
    const int field = direction == 0 || direction == 3 ? fields[panel][0] : fields[panel][1];
    const int step = direction == 0 || direction == 1 ? -1 : 1;
    edit(field)->setText(QString::number(toWholeNumberOf(field) + step));
    switch (panel) {
    case 0:
        applyDigitCells();
        break;
    case 1:
        applySenderBlock();
        break;
    case 2:
        applySenderIndex();
        break;
    case 3:
        applyRecipientBlock();
        break;
    case 4:
        applyRecipientIndex();
        break;
    default:
        break;
    }
    recordChange(panel == 5 ? ProfileChange::SheetShift : ProfileChange::Move);
}

void LayoutEditor::repeatHeldArrow() {
    repeatTimer.setInterval(10);
    // A failing step while a button is held is not worth a message per tick.
    try {
        if (m_heldStep)
            m_heldStep();
    } catch (const std::exception&) {
    }
}

void LayoutEditor::moveByKey(int key) {
    if (key == Qt::Key_Escape) {
        close();
        return;
    }
    for (int n = 1; n <= blockCount; ++n) {
        const QPoint p = blockPos(n);
        const QSize size = label(n)->size();
        const bool inside = p.x() > 0 && p.y() > 0 && p.x() < surface->width() - size.width() &&
                            p.y() < surface->height() - size.height();
        if (!inside)
            return;
    }
    for (int n = 1; n <= blockCount; ++n) {
        if (!isSelected(n))
            continue;
        QPoint p = blockPos(n);
        if (key == Qt::Key_Up && p.y() > 0)
            p.ry() -= 1;
        else if (key == Qt::Key_Down && p.y() < surface->height() - 10)
            p.ry() += 1;
        else if (key == Qt::Key_Left && p.x() > 0)
            p.rx() -= 1;
        else if (key == Qt::Key_Right && p.x() < surface->width() - 10)
            p.rx() += 1;
        moveBlock(n, p);
        showCoordinates(n);
    }
    recordChange(ProfileChange::Move);
}

QString LayoutEditor::millimetres(int field) const {
    bool ok = false;
    const int value = edit(field)->text().toInt(&ok);
    if (!ok)
        return {};
    const int mm = isYField(field) ? screen().xdCoordY(value) : screen().xdCoordX(value);
    return QStringLiteral("(%1мм)").arg(mm);
}

void LayoutEditor::updateMillimetres() {
    // A field being typed ("-" on the way to a negative number) just shows no value yet.
    for (int n = 1; n <= 13; ++n)
        mmLabels[size_t(n)]->setText(millimetres(n));
}

void LayoutEditor::showStatus() {
    try {
        const QPoint p = blockPos(1);
        statusPanel->setText(QStringLiteral("%1:%2(пкс) %3:%4(мм)")
                                 .arg(p.x())
                                 .arg(p.y())
                                 .arg(screen().xdCoordX(p.x()))
                                 .arg(screen().xdCoordY(p.y())));
    } catch (const std::exception&) {
    }
}
