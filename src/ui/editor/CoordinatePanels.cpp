// The layout editor's coordinate panels: the fields, their millimetres, the arrows with
// hold-to-repeat, the digit spacing and the apply buttons that move the panels' blocks.
#include "ui/editor/CoordinatePanels.h"

#include "core/Numbers.h"
#include "core/profiles/EnvelopeDocument.h"
#include "core/profiles/IniFile.h"
#include "core/profiles/ProfileFile.h"
#include "ui/common/ControlNames.h"
#include "ui/common/Icons.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/controls/NumberKeyFilter.h"
#include "ui/editor/BlockCanvas.h"
#include "ui/editor/NamedControls.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace Editor = ControlNames::Editor;

namespace {

constexpr std::initializer_list<int> senderBlocks = {2, 3, 4, 18, 19};
constexpr std::initializer_list<int> recipientBlocks = {7, 8, 9, 10, 11, 20};

// The field pairs of the panels: digit cells, sender, block 5, recipient, block 6, sheet.
constexpr int panelFields[6][2] = {{1, 2}, {4, 5}, {10, 11}, {6, 7}, {12, 13}, {8, 9}};

bool isYField(int field) {
    return field == 2 || field == 5 || field == 7 || field == 9 || field == 11 || field == 13;
}

} // namespace

CoordinatePanels::CoordinatePanels(Windows& windows, BlockCanvas& canvas, QWidget* parent)
    : QWidget(parent), w(windows), m_document(*windows.document), m_canvas(canvas) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* digits = new QGroupBox(QStringLiteral("Сдвиг индекса"), this);
    auto* digitsGrid = new QGridLayout(digits);
    addDigitSpacing(digits, digitsGrid, addPair(digits, digitsGrid, 0, 1, 2, 0, {}, 0));
    layout->addWidget(digits);

    auto* sender = new QGroupBox(QStringLiteral("Сдвиг блок Отправитель"), this);
    auto* senderGrid = new QGridLayout(sender);
    int row = addPair(sender, senderGrid, 0, 4, 5, 1, {}, 2);
    addPair(sender, senderGrid, row, 10, 11, 2, QStringLiteral("Сдвиг индекса:"), 3);
    layout->addWidget(sender);

    auto* recipient = new QGroupBox(QStringLiteral("Сдвиг блок Получатель"), this);
    auto* recipientGrid = new QGridLayout(recipient);
    row = addPair(recipient, recipientGrid, 0, 6, 7, 3, {}, 4);
    addPair(recipient, recipientGrid, row, 12, 13, 4, QStringLiteral("Сдвиг индекса:"), 5);
    layout->addWidget(recipient);

    auto* sheet = new QGroupBox(QStringLiteral("Сдвиг конверта на листе"), this);
    auto* sheetGrid = new QGridLayout(sheet);
    addPair(sheet, sheetGrid, 0, 8, 9, 5, {}, -1);
    layout->addWidget(sheet);
    layout->addStretch(1);
    connectApplies();

    showDigitSpacing();
    showSheetShifts();
    repeatTimer.setObjectName(Editor::repeatTimer);
    repeatTimer.setInterval(500);
    connect(&repeatTimer, &QTimer::timeout, this, [this] { repeatHeldArrow(); });
    connectDocument();
}

QLineEdit* CoordinatePanels::addField(int n, QWidget* parent, const QString& name) {
    auto* e = new QLineEdit(parent);
    e->setMaxLength(4);
    e->setFixedWidth(44);
    describe(e, name, QLatin1String(Editor::coordinateField) + QString::number(n));
    new NumberKeyFilter(e, 2);
    e->installEventFilter(this);
    edits[size_t(n)] = e;
    auto* mm = new QLabel(parent);
    mm->setMinimumWidth(52);
    mm->setObjectName(QLatin1String(Editor::millimetreLabel) + QString::number(n));
    mmLabels[size_t(n)] = mm;
    connect(e, &QLineEdit::textChanged, this, [this] {
        guarded(w.messages, [this] {
            m_document.setModified(true);
            updateMillimetres();
        });
    });
    return e;
}

// A field pair with its arrow cross and, where the panel has one, its apply button.
int CoordinatePanels::addPair(QGroupBox* box, QGridLayout* grid, int row, int xField, int yField,
                              int panel, const QString& title, int applyIndex) {
    if (!title.isEmpty())
        grid->addWidget(new QLabel(title, box), row++, 0, 1, 6);
    const QString x = title.isEmpty() ? box->title() : title;
    grid->addWidget(new QLabel(QStringLiteral("X"), box), row, 0);
    grid->addWidget(addField(xField, box, x + QStringLiteral(" X")), row, 1);
    grid->addWidget(mmLabels[size_t(xField)], row, 2);
    grid->addWidget(new QLabel(QStringLiteral("Y"), box), row + 1, 0);
    grid->addWidget(addField(yField, box, x + QStringLiteral(" Y")), row + 1, 1);
    grid->addWidget(mmLabels[size_t(yField)], row + 1, 2);
    auto* cross = new QGridLayout;
    cross->setSpacing(0);
    const std::array<ArrowDirection, 4> directions = {ArrowDirection::Left, ArrowDirection::Up,
                                                      ArrowDirection::Down, ArrowDirection::Right};
    const std::array<QString, 4> names = {QStringLiteral("влево"), QStringLiteral("вверх"),
                                          QStringLiteral("вниз"), QStringLiteral("вправо")};
    const std::array<QPoint, 4> places = {QPoint(1, 0), QPoint(0, 1), QPoint(2, 1), QPoint(1, 2)};
    for (int d = 0; d < 4; ++d) {
        auto* arrow = new QToolButton(box);
        arrow->setIcon(arrowIcon(directions[size_t(d)]));
        arrow->setAutoRaise(true);
        arrow->setFixedSize(16, 16);
        describe(arrow, x + QLatin1Char(' ') + names[size_t(d)], Editor::arrowButton);
        arrows[size_t(panel)][size_t(d)] = arrow;
        cross->addWidget(arrow, places[size_t(d)].x(), places[size_t(d)].y());
        connect(arrow, &QToolButton::pressed, this, [this, panel, d] {
            // The repeats of one press and its click are one step.
            m_document.endBurst();
            m_heldStep = [this, panel, d] { arrowStep(panel, d); };
            repeatTimer.setInterval(500);
            repeatTimer.start();
        });
        connect(arrow, &QToolButton::released, this, [this] {
            repeatTimer.stop();
            repeatTimer.setInterval(500);
        });
        connect(arrow, &QToolButton::clicked, this,
                [this, panel, d] { guarded(w.messages, [&] { arrowStep(panel, d); }); });
    }
    grid->addLayout(cross, row, 3, 2, 1);
    if (applyIndex >= 0) {
        auto* apply = new QPushButton(box);
        apply->setIcon(applyIcon());
        apply->setFixedSize(24, 22);
        apply->setAutoDefault(false);
        apply->setToolTip(QStringLiteral("Применить"));
        describe(apply, x + QStringLiteral(": применить"), QString());
        applyButtons[size_t(applyIndex)] = apply;
        grid->addWidget(apply, row, 4, 2, 1);
    }
    return row + 2;
}

void CoordinatePanels::addDigitSpacing(QGroupBox* digits, QGridLayout* digitsGrid, int row) {
    digitsGrid->addWidget(new QLabel(QStringLiteral("Расстояние между цифр:"), digits), row++, 0, 1,
                          5);
    digitsGrid->addWidget(new QLabel(QStringLiteral("Z"), digits), row, 0);
    digitsGrid->addWidget(addField(3, digits, QStringLiteral("Расстояние между цифр:")), row, 1);
    digitsGrid->addWidget(mmLabels[3], row, 2);
    auto* plusMinus = new QHBoxLayout;
    gapMinus = new QToolButton(digits);
    gapMinus->setIcon(plusMinusIcon(false));
    gapPlus = new QToolButton(digits);
    gapPlus->setIcon(plusMinusIcon(true));
    describe(gapMinus, QStringLiteral("Уменьшить расстояние"), Editor::spacingDown);
    describe(gapPlus, QStringLiteral("Увеличить расстояние"), Editor::spacingUp);
    plusMinus->addWidget(gapMinus);
    plusMinus->addWidget(gapPlus);
    digitsGrid->addLayout(plusMinus, row, 3);
    auto* gapApply = new QPushButton(digits);
    gapApply->setIcon(applyIcon());
    gapApply->setFixedSize(24, 22);
    gapApply->setAutoDefault(false);
    describe(gapApply, QStringLiteral("Расстояние между цифр: применить"),
             Editor::applyDigitSpacing);
    applyButtons[1] = gapApply;
    digitsGrid->addWidget(gapApply, row, 4);
}

void CoordinatePanels::connectApplies() {
    const std::array<QString, 6> applyNames = {
        Editor::applyDigitCells,  Editor::applyDigitSpacing,   Editor::applySenderBlock,
        Editor::applySenderIndex, Editor::applyRecipientBlock, Editor::applyRecipientIndex};
    const std::array<void (CoordinatePanels::*)(), 6> applies = {
        &CoordinatePanels::applyDigitCells,     &CoordinatePanels::applyDigitSpacing,
        &CoordinatePanels::applySenderBlock,    &CoordinatePanels::applySenderIndex,
        &CoordinatePanels::applyRecipientBlock, &CoordinatePanels::applyRecipientIndex};
    for (int i = 0; i < 6; ++i) {
        setProgramName(applyButtons[size_t(i)], applyNames[size_t(i)]);
        connect(applyButtons[size_t(i)], &QPushButton::clicked, this,
                [this, i, apply = applies[size_t(i)]] {
                    guarded(w.messages, [&] {
                        (this->*apply)();
                        m_document.record(i == 1 ? ProfileChange::DigitSpacing
                                                 : ProfileChange::Move);
                        m_document.endBurst();
                    });
                });
    }
    for (QToolButton* button : {gapMinus, gapPlus}) {
        const int step = button == gapPlus ? 1 : -1;
        connect(button, &QToolButton::clicked, this, [this, step] {
            guarded(w.messages, [this, step] {
                const int z = toWholeNumberOf(3);
                if (step < 0 ? z > 0 : z < 100)
                    edit(3)->setText(QString::number(z + step));
                applyDigitSpacing();
                m_document.record(ProfileChange::DigitSpacing);
            });
        });
    }
}

void CoordinatePanels::connectDocument() {
    EnvelopeDocument& d = m_document;
    // Each field sends what the user changed in it; the document is the profile.
    const std::array<std::pair<int, void (EnvelopeDocument::*)(const QString&)>, 3> texts = {
        {{3, &EnvelopeDocument::setDigitSpacing},
         {8, &EnvelopeDocument::setSheetShiftAcross},
         {9, &EnvelopeDocument::setSheetShiftDown}}};
    for (const auto& [field, set] : texts)
        connect(edit(field), &QLineEdit::textChanged, this,
                [&d, set = set](const QString& value) { (d.*set)(value); });
    const std::array<std::pair<int, ProfileChange>, 3> typed = {{{3, ProfileChange::DigitSpacing},
                                                                 {8, ProfileChange::SheetShift},
                                                                 {9, ProfileChange::SheetShift}}};
    for (const auto& [field, kind] : typed) {
        connect(edit(field), &QLineEdit::textChanged, this, [this, field = field, kind = kind] {
            // Only what the user typed: the program's own setText clears the flag.
            if (edit(field)->isModified())
                m_document.record(kind);
        });
    }
}

void CoordinatePanels::reset() {
    repeatTimer.stop();
    for (int n : {4, 5, 6, 7})
        edit(n)->setText(QStringLiteral("0"));
}

void CoordinatePanels::stopRepeating() {
    repeatTimer.stop();
}

void CoordinatePanels::showDigitSpacing() {
    edit(3)->setText(m_document.profile().iz);
}

void CoordinatePanels::showSheetShifts() {
    edit(8)->setText(m_document.profile().allx);
    edit(9)->setText(m_document.profile().ally);
}

void CoordinatePanels::showStoredPositions(const IniFile& ini, const QString& section) {
    const std::array<std::pair<int, int>, 5> panelBlocks = {
        {{1, 12}, {4, 1}, {10, 5}, {6, 7}, {12, 6}}};
    for (const auto& [xField, block] : panelBlocks) {
        edit(xField)->setText(
            QString::number(ini.readInteger(section, positionKey(block, 'x'), 0)));
        edit(xField + 1)
            ->setText(QString::number(ini.readInteger(section, positionKey(block, 'y'), 0)));
    }
}

bool CoordinatePanels::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return false;
    for (int n = 1; n <= 13; ++n) {
        if (watched == edits[size_t(n)]) {
            guarded(w.messages, [&] { applyField(n); });
            return true;
        }
    }
    return false;
}

int CoordinatePanels::toWholeNumberOf(int field) const {
    return toWholeNumber(edit(field)->text());
}

void CoordinatePanels::showCoordinates(int number) {
    auto show = [this](int xField, int yField, int block) {
        edit(xField)->setText(QString::number(m_canvas.blockPos(block).x()));
        edit(yField)->setText(QString::number(m_canvas.blockPos(block).y()));
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

void CoordinatePanels::moveGroup(const std::initializer_list<int>& blocks, QPoint delta) {
    for (int n : blocks)
        m_canvas.moveBlock(n, m_canvas.blockPos(n) + delta);
}

void CoordinatePanels::applyDigitCells() {
    m_canvas.rememberPositions();
    const QPoint target(toWholeNumberOf(1), toWholeNumberOf(2));
    for (int n = firstDigitBlock; n <= lastDigitBlock; ++n) {
        m_canvas.moveBlock(n, target);
        applyDigitSpacing();
    }
    m_canvas.checkInside();
}

void CoordinatePanels::applyDigitSpacing() {
    const int z = toWholeNumberOf(3);
    if (z <= 0 || z >= 100)
        return;
    for (int n = firstDigitBlock + 1; n <= lastDigitBlock; ++n) {
        const int x = m_canvas.blockPos(n - 1).x() + m_canvas.blockWidth(n - 1) - 10 + z;
        m_canvas.moveBlock(n, QPoint(x, m_canvas.blockPos(n).y()));
    }
}

void CoordinatePanels::applySenderBlock() {
    m_canvas.rememberPositions();
    const QPoint start = m_canvas.blockPos(1);
    const QPoint target(toWholeNumberOf(4), toWholeNumberOf(5));
    m_canvas.moveBlock(1, target);
    moveGroup(senderBlocks, target - start);
    edit(10)->setText(QString::number(m_canvas.blockPos(5).x()));
    edit(11)->setText(QString::number(m_canvas.blockPos(5).y()));
    m_canvas.checkInside();
}

void CoordinatePanels::applyRecipientBlock() {
    m_canvas.rememberPositions();
    const QPoint start = m_canvas.blockPos(7);
    const QPoint target(toWholeNumberOf(6), toWholeNumberOf(7));
    moveGroup(recipientBlocks, target - start);
    m_canvas.checkInside();
}

void CoordinatePanels::applySenderIndex() {
    m_canvas.rememberPositions();
    m_canvas.moveBlock(5, QPoint(toWholeNumberOf(10), toWholeNumberOf(11)));
    m_canvas.checkInside();
}

void CoordinatePanels::applyRecipientIndex() {
    m_canvas.rememberPositions();
    m_canvas.moveBlock(6, QPoint(toWholeNumberOf(12), toWholeNumberOf(13)));
    m_canvas.checkInside();
}

void CoordinatePanels::applyPanel(int panel) {
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
}

void CoordinatePanels::applyField(int field) {
    if (field == 3) {
        applyDigitSpacing();
    } else {
        for (int panel = 0; panel < 6; ++panel)
            if (panelFields[panel][0] == field || panelFields[panel][1] == field)
                applyPanel(panel);
    }
    m_document.record(field == 3 ? ProfileChange::DigitSpacing : ProfileChange::Move);
    m_document.endBurst();
}

void CoordinatePanels::arrowStep(int panel, int direction) {
    const int field =
        direction == 0 || direction == 3 ? panelFields[panel][0] : panelFields[panel][1];
    const int step = direction == 0 || direction == 1 ? -1 : 1;
    edit(field)->setText(QString::number(toWholeNumberOf(field) + step));
    applyPanel(panel);
    m_document.record(panel == 5 ? ProfileChange::SheetShift : ProfileChange::Move);
}

void CoordinatePanels::repeatHeldArrow() {
    repeatTimer.setInterval(10);
    // A failing step while a button is held is not worth a message per tick.
    try {
        if (m_heldStep)
            m_heldStep();
    } catch (const std::exception&) {
    }
}

QString CoordinatePanels::millimetres(int field) const {
    bool ok = false;
    const int value = edit(field)->text().toInt(&ok);
    if (!ok)
        return {};
    const int mm = isYField(field) ? w.screen->xdCoordY(value) : w.screen->xdCoordX(value);
    return QStringLiteral("(%1мм)").arg(mm);
}

void CoordinatePanels::updateMillimetres() {
    // A field being typed ("-" on the way to a negative number) just shows no value yet.
    for (int n = 1; n <= 13; ++n)
        mmLabels[size_t(n)]->setText(millimetres(n));
}
