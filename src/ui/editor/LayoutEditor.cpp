#include "ui/editor/LayoutEditor.h"
#include "ui/controls/DialogParts.h"

#include "core/Numbers.h"
#include "ui/common/ControlNames.h"
#include "ui/common/Icons.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/controls/CheckedComboBox.h"
#include "ui/controls/NumberKeyFilter.h"
#include "ui/editor/DelayOptions.h"
#include "ui/editor/PictureToggles.h"
#include "ui/editor/ProfileStore.h"
#include "ui/editor/ProfileSwitches.h"
#include "ui/editor/SheetPositionButton.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace Editor = ControlNames::Editor;

namespace {

void describe(QWidget* control, const QString& name, const QString& programName) {
    control->setAccessibleName(name);
    setProgramName(control, programName);
}

QToolButton* textButton(const QString& text, const QString& hint, const QString& programName,
                        QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(text);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    describe(button, text, programName);
    return button;
}

} // namespace

LayoutEditor::LayoutEditor(Windows& windows)
    : QDialog(windows.mainWindow), w(windows), m_document(*windows.document) {
    buildWindow();
    for (int n = 1; n <= blockCount; ++n) {
        auto* block = new BlockLabel(n, surface);
        labels[size_t(n - 1)] = block;
        block->onPress = [this](int k, QMouseEvent* e) {
            guarded(w.messages, [&] { labelPress(k, e); });
        };
        block->onMove = [this](int k, QMouseEvent* e) {
            guarded(w.messages, [&] { labelMove(k, e); });
        };
        block->onRelease = [this](int k, QMouseEvent* e) {
            guarded(w.messages, [&] { labelRelease(k, e); });
        };
        block->setText(QString::fromUtf8(blockInfo(n).caption));
        moveBlock(n, blockPos(n));
    }
    applyFonts();
    showVisibility();
    label(1)->setColour(Qt::red);
    for (int format = 0; format < formatCount; ++format)
        formatChoice->addItem(formatEntryText(format));
    formatChoice->setCurrentIndex(-1);
    setSheetPosition(sheetPosition());
    const PrintProfile& p = m_document.profile();
    edit(3)->setText(p.iz);
    edit(8)->setText(p.allx);
    edit(9)->setText(p.ally);
    showSwitches();

    statusTimer.setObjectName(Editor::statusTimer);
    repeatTimer.setObjectName(Editor::repeatTimer);
    statusTimer.setInterval(10);
    connect(&statusTimer, &QTimer::timeout, this, [this] { showStatus(); });
    repeatTimer.setInterval(500);
    connect(&repeatTimer, &QTimer::timeout, this, [this] { repeatHeldArrow(); });
    connectCommands();
    connectDocument();
    connectHistory();
}

void LayoutEditor::connectDocument() {
    EnvelopeDocument& d = m_document;
    // Each control sends what the user changed in it; the document is the profile.
    const std::array<std::pair<int, void (EnvelopeDocument::*)(const QString&)>, 3> texts = {
        {{3, &EnvelopeDocument::setDigitSpacing},
         {8, &EnvelopeDocument::setSheetShiftAcross},
         {9, &EnvelopeDocument::setSheetShiftDown}}};
    for (const auto& [field, set] : texts)
        connect(edit(field), &QLineEdit::textChanged, this,
                [&d, set = set](const QString& value) { (d.*set)(value); });
    connect(switches, &ProfileSwitches::stencilChanged, this, [this] { showStencil(); });
    connect(printChoice, &CheckedComboBox::changed, this, [this, &d] {
        d.setPrintList(printChoice->CheckedText().split(QLatin1Char(','), Qt::SkipEmptyParts));
    });

    connect(&d, &EnvelopeDocument::nameChanged, this, [this] { showName(); });
    connect(&d, &EnvelopeDocument::printListChanged, this,
            [this](const QStringList& ticked) { showPrintList(ticked); });
    connect(&d, &EnvelopeDocument::modifiedChanged, saveButton, &QWidget::setEnabled);
    connect(&d, &EnvelopeDocument::profileRestored, this,
            [this] { guarded(w.messages, [this] { showProfile(); }); });
}

LayoutEditor::~LayoutEditor() {
    qApp->removeEventFilter(this);
}

void LayoutEditor::buildWindow() {
    setWindowTitle(QStringLiteral("Настройки"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setMinimumSize(100, 100);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(4);

    auto* top = new QHBoxLayout;
    profileChoice = new QComboBox(this);
    profileChoice->setMinimumWidth(220);
    describe(profileChoice, QStringLiteral("Профиль:"), Editor::profileChoice);
    auto* profileLabel = new QLabel(QStringLiteral("Профиль:"), this);
    profileLabel->setBuddy(profileChoice);
    renameButton = textButton(QStringLiteral("Переименовать"),
                              QStringLiteral("Переименовать профиль"), Editor::renameButton, this);
    deleteButton = textButton(QStringLiteral("Удалить"), QStringLiteral("Удалить профиль"),
                              Editor::deleteButton, this);
    addButton = textButton(QStringLiteral("Добавить"), QStringLiteral("Добавить новый профиль"),
                           Editor::addButton, this);
    saveAsButton = new QPushButton(QStringLiteral("Сохранить как"), this);
    saveAsButton->setToolTip(QStringLiteral("Сохранить текущий профиль как ..."));
    describe(saveAsButton, saveAsButton->text(), Editor::saveAsButton);
    saveButton = new QPushButton(QStringLiteral("Сохранить"), this);
    describe(saveButton, saveButton->text(), Editor::saveButton);
    saveButton->setEnabled(false);
    for (QPushButton* button : {saveAsButton, saveButton})
        button->setAutoDefault(false);
    top->addWidget(profileLabel);
    top->addWidget(profileChoice);
    top->addWidget(renameButton);
    top->addWidget(deleteButton);
    top->addWidget(addButton);
    top->addWidget(saveAsButton);
    top->addWidget(saveButton);
    undoButton = textButton(QStringLiteral("Отменить"), QStringLiteral("Отменить"),
                            Editor::undoButton, this);
    undoButton->setIcon(themeIcon("edit-undo", QStyle::SP_ArrowBack));
    redoButton = textButton(QStringLiteral("Повторить"), QStringLiteral("Повторить"),
                            Editor::redoButton, this);
    redoButton->setIcon(themeIcon("edit-redo", QStyle::SP_ArrowForward));
    top->addWidget(undoButton);
    top->addWidget(redoButton);
    top->addStretch(1);
    layout->addLayout(top);

    auto* middle = new QHBoxLayout;
    middle->addWidget(buildPanels());
    workArea = new QWidget(this);
    workArea->setAutoFillBackground(true);
    QPalette grey = workArea->palette();
    grey.setColor(QPalette::Window, QColor(160, 160, 160));
    workArea->setPalette(grey);
    workArea->setMinimumSize(50, 50);
    workArea->installEventFilter(this);
    describe(workArea, QStringLiteral("Рабочая область"), Editor::workArea);
    surface = new Surface(workArea);
    describe(surface, QStringLiteral("Конверт"), Editor::surface);
    middle->addWidget(workArea, 1);
    layout->addLayout(middle, 1);

    layout->addLayout(buildBars());

    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(true);
    statusPanel = new QLabel(status);
    statusPanel->setFixedWidth(500);
    formatPanel = new QLabel(status);
    formatPanel->setMinimumWidth(50);
    statusPanel->setObjectName(Editor::statusPanel);
    formatPanel->setObjectName(Editor::formatPanel);
    status->addWidget(statusPanel);
    status->addWidget(formatPanel, 1);
    describe(status, QStringLiteral("Строка состояния"), Editor::statusBar);
    layout->addWidget(status);

    blockMenu = new QMenu(this);
    blockFontItem = blockMenu->addAction(QStringLiteral("Шрифт"));
    visibilityItem = blockMenu->addAction(QStringLiteral("Видимость"));
    visibilityItem->setCheckable(true);
    blockMenu->setObjectName(Editor::blockMenu);
    blockFontItem->setObjectName(Editor::blockFontItem);
    visibilityItem->setObjectName(Editor::visibilityItem);
}

QWidget* LayoutEditor::buildPanels() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto field = [this](int n, QWidget* parent, const QString& name) {
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
                markModified();
                updateMillimetres();
            });
        });
        return e;
    };
    // A field pair with its arrow cross and, where the panel has one, its apply button.
    auto pair = [&](QGroupBox* box, QGridLayout* grid, int row, int xField, int yField, int panel,
                    const QString& title, int applyIndex) {
        if (!title.isEmpty())
            grid->addWidget(new QLabel(title, box), row++, 0, 1, 6);
        const QString x = title.isEmpty() ? box->title() : title;
        grid->addWidget(new QLabel(QStringLiteral("X"), box), row, 0);
        grid->addWidget(field(xField, box, x + QStringLiteral(" X")), row, 1);
        grid->addWidget(mmLabels[size_t(xField)], row, 2);
        grid->addWidget(new QLabel(QStringLiteral("Y"), box), row + 1, 0);
        grid->addWidget(field(yField, box, x + QStringLiteral(" Y")), row + 1, 1);
        grid->addWidget(mmLabels[size_t(yField)], row + 1, 2);
        auto* cross = new QGridLayout;
        cross->setSpacing(0);
        const std::array<ArrowDirection, 4> directions = {
            ArrowDirection::Left, ArrowDirection::Up, ArrowDirection::Down, ArrowDirection::Right};
        const std::array<QString, 4> names = {QStringLiteral("влево"), QStringLiteral("вверх"),
                                              QStringLiteral("вниз"), QStringLiteral("вправо")};
        const std::array<QPoint, 4> places = {QPoint(1, 0), QPoint(0, 1), QPoint(2, 1),
                                              QPoint(1, 2)};
        for (int d = 0; d < 4; ++d) {
            auto* arrow = new QToolButton(box);
            arrow->setIcon(arrowIcon(directions[size_t(d)]));
            arrow->setAutoRaise(true);
            arrow->setFixedSize(16, 16);
            describe(arrow, x + QLatin1Char(' ') + names[size_t(d)], Editor::arrowButton);
            arrows[size_t(panel)][size_t(d)] = arrow;
            cross->addWidget(arrow, places[size_t(d)].x(), places[size_t(d)].y());
            connect(arrow, &QToolButton::pressed, this, [this, arrow, panel, d] {
                // The repeats of one press and its click are one step.
                m_document.endBurst();
                m_held = arrow;
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
    };

    auto* digits = new QGroupBox(QStringLiteral("Сдвиг индекса"), column);
    auto* digitsGrid = new QGridLayout(digits);
    int row = pair(digits, digitsGrid, 0, 1, 2, 0, {}, 0);
    digitsGrid->addWidget(new QLabel(QStringLiteral("Расстояние между цифр:"), digits), row++, 0, 1,
                          5);
    digitsGrid->addWidget(new QLabel(QStringLiteral("Z"), digits), row, 0);
    digitsGrid->addWidget(field(3, digits, QStringLiteral("Расстояние между цифр:")), row, 1);
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
    layout->addWidget(digits);

    auto* sender = new QGroupBox(QStringLiteral("Сдвиг блок Отправитель"), column);
    auto* senderGrid = new QGridLayout(sender);
    row = pair(sender, senderGrid, 0, 4, 5, 1, {}, 2);
    pair(sender, senderGrid, row, 10, 11, 2, QStringLiteral("Сдвиг индекса:"), 3);
    layout->addWidget(sender);

    auto* recipient = new QGroupBox(QStringLiteral("Сдвиг блок Получатель"), column);
    auto* recipientGrid = new QGridLayout(recipient);
    row = pair(recipient, recipientGrid, 0, 6, 7, 3, {}, 4);
    pair(recipient, recipientGrid, row, 12, 13, 4, QStringLiteral("Сдвиг индекса:"), 5);
    layout->addWidget(recipient);

    auto* sheet = new QGroupBox(QStringLiteral("Сдвиг конверта на листе"), column);
    auto* sheetGrid = new QGridLayout(sheet);
    pair(sheet, sheetGrid, 0, 8, 9, 5, {}, -1);
    layout->addWidget(sheet);
    layout->addStretch(1);

    const std::array<QString, 6> applyNames = {
        Editor::applyDigitCells,  Editor::applyDigitSpacing,   Editor::applySenderBlock,
        Editor::applySenderIndex, Editor::applyRecipientBlock, Editor::applyRecipientIndex};
    const std::array<void (LayoutEditor::*)(), 6> applies = {
        &LayoutEditor::applyDigitCells,     &LayoutEditor::applyDigitSpacing,
        &LayoutEditor::applySenderBlock,    &LayoutEditor::applySenderIndex,
        &LayoutEditor::applyRecipientBlock, &LayoutEditor::applyRecipientIndex};
    for (int i = 0; i < 6; ++i) {
        setProgramName(applyButtons[size_t(i)], applyNames[size_t(i)]);
        connect(applyButtons[size_t(i)], &QPushButton::clicked, this,
                [this, i, apply = applies[size_t(i)]] {
                    guarded(w.messages, [&] {
                        (this->*apply)();
                        recordChange(i == 1 ? ProfileChange::DigitSpacing : ProfileChange::Move);
                        m_document.endBurst();
                    });
                });
    }
    connect(gapMinus, &QToolButton::clicked, this, [this] {
        guarded(w.messages, [this] {
            const int z = toWholeNumberOf(3);
            if (z > 0)
                edit(3)->setText(QString::number(z - 1));
            applyDigitSpacing();
            recordChange(ProfileChange::DigitSpacing);
        });
    });
    connect(gapPlus, &QToolButton::clicked, this, [this] {
        guarded(w.messages, [this] {
            const int z = toWholeNumberOf(3);
            if (z < 100)
                edit(3)->setText(QString::number(z + 1));
            applyDigitSpacing();
            recordChange(ProfileChange::DigitSpacing);
        });
    });
    return column;
}

QLayout* LayoutEditor::buildBars() {
    auto* bottom = new QHBoxLayout;
    pictureToggles = new PictureToggles(m_document, this);
    bottom->addWidget(pictureToggles);
    connect(pictureToggles, &PictureToggles::userChanged, this, [this] {
        guarded(w.messages, [&] {
            showPictures();
            markModified();
        });
    });

    sheetPositionButton = new SheetPositionButton(this);
    bottom->addWidget(sheetPositionButton);

    auto* printLabel = new QLabel(QStringLiteral("Профили на печать:"), this);
    printChoice = new CheckedComboBox(this);
    printChoice->setMinimumWidth(220);
    printChoice->SetEmptyValue(QStringLiteral("Профили на печать"));
    printChoice->setAccessibleName(QStringLiteral("Профили на печать"));
    setProgramName(printChoice, Editor::printChoice);
    printChoice->setNoticeHandler([this](const QString& text) { w.messages.notice(text); });
    printLabel->setBuddy(printChoice);
    connect(printChoice, &CheckedComboBox::userChanged, this, [this] { markModified(); });
    bottom->addWidget(printLabel);
    bottom->addWidget(printChoice);

    auto* formatLabel = new QLabel(QStringLiteral("Тип конверта:"), this);
    formatChoice = new QComboBox(this);
    formatChoice->setToolTip(QStringLiteral("Выбор формата конверта"));
    formatChoice->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    describe(formatChoice, QStringLiteral("Тип конверта:"), Editor::formatChoice);
    formatLabel->setBuddy(formatChoice);
    bottom->addWidget(formatLabel);
    bottom->addWidget(formatChoice);

    bottom->addStretch(1);
    // The switches, the block commands, the delay and the leaving buttons on a second row.
    auto* second = new QHBoxLayout;
    switches = new ProfileSwitches(m_document, this);
    second->addWidget(switches);

    fontButton = new QPushButton(QStringLiteral("Шрифт"), this);
    describe(fontButton, fontButton->text(), Editor::fontButton);
    selectAllButton = new QPushButton(QStringLiteral("Выделить всё"), this);
    describe(selectAllButton, selectAllButton->text(), Editor::selectAllButton);
    second->addWidget(fontButton);
    second->addWidget(selectAllButton);

    delayOptions = new DelayOptions(this);
    second->addWidget(delayOptions);
    second->addStretch(1);

    saveAndCloseButton = new QPushButton(QStringLiteral("Сохранить и выйти"), this);
    describe(saveAndCloseButton, saveAndCloseButton->text(), Editor::saveAndCloseButton);
    cancelButton = new QPushButton(QStringLiteral("Отмена"), this);
    describe(cancelButton, cancelButton->text(), Editor::cancelButton);
    for (QPushButton* button : {fontButton, selectAllButton, saveAndCloseButton, cancelButton})
        button->setAutoDefault(false);
    second->addWidget(saveAndCloseButton);
    second->addWidget(cancelButton);
    auto* rows = new QVBoxLayout;
    rows->addLayout(bottom);
    rows->addLayout(second);
    return rows;
}

void LayoutEditor::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    guarded(w.messages, [this] { init(); });
}

void LayoutEditor::hideEvent(QHideEvent* event) {
    qApp->removeEventFilter(this);
    statusTimer.stop();
    repeatTimer.stop();
    QDialog::hideEvent(event);
}

void LayoutEditor::init() {
    m_armed = true;
    repeatTimer.stop();
    for (int n : {4, 5, 6, 7})
        edit(n)->setText(QStringLiteral("0"));
    // The arrow keys and Escape belong to the editor while it is in front,
    // even when a coordinate field has the focus.
    qApp->installEventFilter(this);
    statusTimer.start();
    w.profileStore->refreshNames();
    showEnvelope();
    centreSurface();
    showTexts();
    m_document.setModified(false);
    clearSelection();
    delayOptions->read(w.profileStore->ini());
}

bool LayoutEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == workArea && event->type() == QEvent::Resize) {
        guarded(w.messages, [this] {
            centreSurface();
            markModified();
        });
        return false;
    }
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            for (int n = 1; n <= 13; ++n) {
                if (watched == edits[size_t(n)]) {
                    guarded(w.messages, [&] { applyField(n); });
                    return true;
                }
            }
        }
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this || !isVisible())
        return false;
    const auto* keyEvent = static_cast<QKeyEvent*>(event);
    const int key = keyEvent->key();
    const QKeyCombination combination = keyEvent->keyCombination();
    const bool undoKey = combination == QKeyCombination(Qt::ControlModifier, Qt::Key_Z);
    const bool redoKey =
        combination == QKeyCombination(Qt::ControlModifier, Qt::Key_Y) ||
        combination == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
    const bool ours = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up ||
                      key == Qt::Key_Down || key == Qt::Key_Escape || undoKey || redoKey;
    if (!ours)
        return false;
    // Also in a coordinate field, which would otherwise take them for its own text.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (undoKey || redoKey) {
        guarded(w.messages, [&] { undoKey ? undo() : redo(); });
        return true;
    }
    guarded(w.messages, [&] { moveByKey(key); });
    return true;
}
