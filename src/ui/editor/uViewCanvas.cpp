// The layout editor's canvas: formats and pictures, blocks, selection,
// dragging, coordinate panels, key moves and the out-of-envelope check.
#include "ui/editor/uView.h"

#include "core/Numbers.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>

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

QPoint Tview::blockPos(int number) const {
    const TextBlock& block = profile.block(number);
    return {block.x, block.y};
}

void Tview::moveBlock(int number, QPoint position) {
    TextBlock& block = profile.block(number);
    block.x = position.x();
    block.y = position.y();
    label(number)->move(position);
}

int Tview::toWholeNumberOf(int field) const {
    return toWholeNumber(edit(field)->text());
}

int Tview::currentFormat() const {
    return formatOfText(cb2->currentText());
}

void Tview::setform() {
    const int format = currentFormat();
    if (format >= 0) {
        const EnvelopeFormat& f = envelopeFormats()[size_t(format)];
        const QSize size(screen.pxCoordX(f.widthMm), screen.pxCoordY(f.heightMm));
        p2->resize(size);
        if (f.allPictures) {
            for (PictureSlot slot : {SenderSlot, RecipientSlot, IndexSlot, StampSlot}) {
                Surface::Picture& picture = p2->pictures[slot];
                picture.position = picturePosition(format, slot, size);
                picture.image = pictureCache.picture(pictureFile(format, slot, true));
                picture.shown = true;
            }
        } else {
            Surface::Picture& sender = p2->pictures[SenderSlot];
            sender.position = QPoint(0, 0);
            sender.image = pictureCache.picture(pictureFile(format, SenderSlot, true));
            sender.shown = true;
            for (PictureSlot slot : {RecipientSlot, IndexSlot, StampSlot})
                p2->pictures[slot].shown = false;
        }
        formatPanel->setText(QString::fromUtf8(f.status));
    }
    centreSurface();
    markmodified();
    drawblocks();
}

void Tview::drawblocks() {
    for (QToolButton* toggle : SpeedButton)
        toggle->setVisible(true);
    const int format = currentFormat();
    if (format < 0) {
        p2->update();
        return;
    }
    if (envelopeFormats()[size_t(format)].allPictures) {
        for (PictureSlot slot : {SenderSlot, RecipientSlot, IndexSlot, StampSlot})
            p2->pictures[slot].image =
                pictureCache.picture(pictureFile(format, slot, SpeedButton[slot]->isChecked()));
    } else {
        for (PictureSlot slot : {RecipientSlot, IndexSlot, StampSlot}) {
            SpeedButton[slot]->setVisible(false);
            SpeedButton[slot]->setChecked(false);
        }
        p2->pictures[SenderSlot].image = pictureCache.picture(
            pictureFile(format, SenderSlot, SpeedButton[SenderSlot]->isChecked()));
    }
    profile.otkogo = SpeedButton[0]->isChecked();
    profile.komu = SpeedButton[1]->isChecked();
    profile.index = SpeedButton[2]->isChecked();
    profile.marka = SpeedButton[3]->isChecked();
    p2->update();
}

int Tview::sheetPosition() const {
    for (int i = 8; i >= 0; --i)
        if (positionItems[size_t(i)]->isChecked())
            return i;
    return 0;
}

void Tview::setSheetPosition(int position) {
    profile.listpos = position;
    positionItems[size_t(position)]->setChecked(true);
    ToolButton1->setIcon(positionItems[size_t(position)]->icon());
}

void Tview::resetlayout() {
    for (int n = 1; n <= blockCount; ++n)
        moveBlock(n, defaultBlockPosition(n));
    setSheetPosition(7);
    profile.corx = 70;
    profile.cory = 90;
    setform();
}

void Tview::centreSurface() {
    p2->move(P1->width() / 2 - p2->width() / 2, P1->height() / 2 - p2->height() / 2);
}

void Tview::markmodified() {
    Button10->setEnabled(true);
}

void Tview::settext() {
    const auto texts = blockTexts(w.mainWindow->addressTexts(), profile.indexswitch);
    for (int n = 1; n <= blockCount; ++n)
        label(n)->setText(texts[size_t(n - 1)]);
}

void Tview::showStencil() {
    for (int n = firstDigitBlock; n <= lastDigitBlock; ++n)
        label(n)->setStencil(profile.indexstencil);
}

void Tview::applyFonts() {
    for (int n = 1; n <= blockCount; ++n)
        label(n)->setBlockFont(blockFont(profile.block(n), screen));
}

void Tview::paintLabel(int number) {
    if (isSelected(number))
        label(number)->setColour(Qt::red);
    else if (!profile.block(number).visible)
        label(number)->setColour(hiddenColour);
    else
        label(number)->setColour(colourOf(profile.block(number).colour));
}

void Tview::setvisible() {
    for (int n = 1; n <= blockCount; ++n) {
        const TextBlock& block = profile.block(n);
        label(n)->setColour(block.visible ? colourOf(block.colour) : hiddenColour);
    }
}

void Tview::savepositions() {
    for (int n = 1; n <= blockCount; ++n)
        m_saved[size_t(n - 1)] = blockPos(n);
}

void Tview::clearSelection() {
    m_selected.fill(false);
    setvisible();
}

void Tview::selectAll() {
    m_selected.fill(true);
    for (int n = 1; n <= blockCount; ++n)
        paintLabel(n);
}

void Tview::labelPress(int number, QMouseEvent* event) {
    m_history.endBurst();
    m_selected.fill(false);
    m_drag = event->button() != Qt::RightButton;
    m_grabPoint = event->position().toPoint();
    setvisible();
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
    savepositions();
    if (event->button() == Qt::RightButton) {
        N11->setChecked(profile.block(number).visible);
        pp1->popup(event->globalPosition().toPoint());
    }
}

void Tview::followTarget(QPoint target) {
    for (int n = 1; n <= blockCount; ++n) {
        if (!isSelected(n))
            continue;
        QPoint position = blockPos(n);
        const QPoint offset = m_grabOffset[size_t(n - 1)];
        // The axes are tested apart, so a block at a side keeps sliding along it.
        if (target.x() > 0 && target.x() < p2->width() - 10)
            position.setX(target.x() - offset.x());
        if (target.y() > 0 && target.y() < p2->height() - 10)
            position.setY(target.y() - offset.y());
        moveBlock(n, position);
        setedit(n);
    }
}

void Tview::labelMove(int, QMouseEvent* event) {
    if (!m_drag)
        return;
    markmodified();
    followTarget(p2->mapFromGlobal(event->globalPosition().toPoint()) - m_grabPoint);
}

void Tview::labelRelease(int, QMouseEvent* event) {
    m_drag = false;
    followTarget(p2->mapFromGlobal(event->globalPosition().toPoint()) - m_grabPoint);
    checkinside();
    recordChange(ProfileChange::Move);
    m_history.endBurst();
}

void Tview::checkinside() {
    bool outside = false;
    for (int n = 1; n <= blockCount && !outside; ++n) {
        const QPoint p = blockPos(n);
        const QSize size = label(n)->size();
        outside = p.x() < 0 || p.x() > p2->width() - size.width() || p.y() < 0 ||
                  p.y() > p2->height() - size.height();
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

void Tview::setedit(int number) {
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

void Tview::moveGroup(const std::initializer_list<int>& blocks, QPoint delta) {
    for (int n : blocks)
        moveBlock(n, blockPos(n) + delta);
}

void Tview::Button1Click() {
    savepositions();
    const QPoint target(toWholeNumberOf(1), toWholeNumberOf(2));
    for (int n : digitBlocks) {
        moveBlock(n, target);
        Button2Click();
    }
    checkinside();
}

void Tview::Button2Click() {
    const int z = toWholeNumberOf(3);
    if (z <= 0 || z >= 100)
        return;
    for (int n = firstDigitBlock + 1; n <= lastDigitBlock; ++n) {
        const int x = blockPos(n - 1).x() + label(n - 1)->width() - 10 + z;
        moveBlock(n, QPoint(x, blockPos(n).y()));
    }
}

void Tview::Button3Click() {
    savepositions();
    const QPoint start = blockPos(1);
    const QPoint target(toWholeNumberOf(4), toWholeNumberOf(5));
    moveBlock(1, target);
    moveGroup(senderBlocks, target - start);
    edit(10)->setText(QString::number(blockPos(5).x()));
    edit(11)->setText(QString::number(blockPos(5).y()));
    checkinside();
}

void Tview::Button4Click() {
    savepositions();
    const QPoint start = blockPos(7);
    const QPoint target(toWholeNumberOf(6), toWholeNumberOf(7));
    moveGroup(recipientBlocks, target - start);
    checkinside();
}

void Tview::Button6Click() {
    savepositions();
    moveBlock(5, QPoint(toWholeNumberOf(10), toWholeNumberOf(11)));
    checkinside();
}

void Tview::Button7Click() {
    savepositions();
    moveBlock(6, QPoint(toWholeNumberOf(12), toWholeNumberOf(13)));
    checkinside();
}

void Tview::eKeyDown(int field) {
    switch (field) {
    case 1:
    case 2:
        Button1Click();
        break;
    case 3:
        Button2Click();
        break;
    case 4:
    case 5:
        Button3Click();
        break;
    case 6:
    case 7:
        Button4Click();
        break;
    case 10:
    case 11:
        Button6Click();
        break;
    case 12:
    case 13:
        Button7Click();
        break;
    default:
        break;
    }
    recordChange(field == 3 ? ProfileChange::DigitSpacing : ProfileChange::Move);
    m_history.endBurst();
}

void Tview::arrowStep(int panel, int direction) {
    // Field pairs of the panels: digit cells, sender, block 5, recipient, block 6, sheet.
    constexpr int fields[6][2] = {{1, 2}, {4, 5}, {10, 11}, {6, 7}, {12, 13}, {8, 9}};
    const int field = direction == 0 || direction == 3 ? fields[panel][0] : fields[panel][1];
    const int step = direction == 0 || direction == 1 ? -1 : 1;
    edit(field)->setText(QString::number(toWholeNumberOf(field) + step));
    switch (panel) {
    case 0:
        Button1Click();
        break;
    case 1:
        Button3Click();
        break;
    case 2:
        Button6Click();
        break;
    case 3:
        Button4Click();
        break;
    case 4:
        Button7Click();
        break;
    default:
        break;
    }
    recordChange(panel == 5 ? ProfileChange::SheetShift : ProfileChange::Move);
}

void Tview::T2Timer() {
    T2.setInterval(10);
    // A failing step while a button is held is not worth a message per tick.
    try {
        if (m_heldStep)
            m_heldStep();
    } catch (const std::exception&) {
    }
}

void Tview::hotKey(int key) {
    if (key == Qt::Key_Escape) {
        close();
        return;
    }
    for (int n = 1; n <= blockCount; ++n) {
        const QPoint p = blockPos(n);
        const QSize size = label(n)->size();
        const bool inside = p.x() > 0 && p.y() > 0 && p.x() < p2->width() - size.width() &&
                            p.y() < p2->height() - size.height();
        if (!inside)
            return;
    }
    for (int n = 1; n <= blockCount; ++n) {
        if (!isSelected(n))
            continue;
        QPoint p = blockPos(n);
        if (key == Qt::Key_Up && p.y() > 0)
            p.ry() -= 1;
        else if (key == Qt::Key_Down && p.y() < p2->height() - 10)
            p.ry() += 1;
        else if (key == Qt::Key_Left && p.x() > 0)
            p.rx() -= 1;
        else if (key == Qt::Key_Right && p.x() < p2->width() - 10)
            p.rx() += 1;
        moveBlock(n, p);
        setedit(n);
    }
    recordChange(ProfileChange::Move);
}

QString Tview::millimetres(int field) const {
    bool ok = false;
    const int value = edit(field)->text().toInt(&ok);
    if (!ok)
        return {};
    const int mm = isYField(field) ? screen.xdCoordY(value) : screen.xdCoordX(value);
    return QStringLiteral("(%1мм)").arg(mm);
}

void Tview::updateMillimetres() {
    // A field being typed ("-" on the way to a negative number) just shows no value yet.
    for (int n = 1; n <= 13; ++n)
        mmLabels[size_t(n)]->setText(millimetres(n));
}

void Tview::Timer1Timer() {
    try {
        const QPoint p = blockPos(1);
        statusPanel->setText(QStringLiteral("%1:%2(пкс) %3:%4(мм)")
                                 .arg(p.x())
                                 .arg(p.y())
                                 .arg(screen.xdCoordX(p.x()))
                                 .arg(screen.xdCoordY(p.y())));
    } catch (const std::exception&) {
    }
}
