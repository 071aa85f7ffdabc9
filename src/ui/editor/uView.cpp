#include "ui/editor/uView.h"
#include "ui/controls/DialogParts.h"

#include "core/Numbers.h"
#include "ui/common/Icons.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/controls/CheckCombo.h"
#include "ui/controls/NumberKeyFilter.h"
#include "ui/editor/Options1.h"

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

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

Tview::Tview(Windows& windows)
    : QDialog(windows.mainWindow), pictureCache(windows.appdir), w(windows) {
    screen.scrDpiX = w.mainWindow->scrDpiX();
    screen.scrDpiY = w.mainWindow->scrDpiY();
    buildWindow();
    for (int n = 1; n <= blockCount; ++n) {
        auto* block = new BlockLabel(n, p2);
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
        moveBlock(n, QPoint(profile.block(n).x, profile.block(n).y));
    }
    applyFonts();
    setvisible();
    label(1)->setColour(Qt::red);
    for (int format = 0; format < formatCount; ++format)
        cb2->addItem(formatEntryText(format));
    cb2->setCurrentIndex(-1);
    positionItems[0]->setChecked(true);

    Timer1.setObjectName(QStringLiteral("Timer1"));
    T2.setObjectName(QStringLiteral("T2"));
    Timer1.setInterval(10);
    connect(&Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    T2.setInterval(500);
    connect(&T2, &QTimer::timeout, this, [this] { T2Timer(); });
    connectCommands();
    followControls();
    connectHistory();
}

void Tview::followControls() {
    profile.format = std::max(0, cb2->currentIndex());
    profile.otkogo = SpeedButton[0]->isChecked();
    profile.komu = SpeedButton[1]->isChecked();
    profile.index = SpeedButton[2]->isChecked();
    profile.marka = SpeedButton[3]->isChecked();
    profile.iz = edit(3)->text();
    profile.listpos = sheetPosition();
    profile.allx = edit(8)->text();
    profile.ally = edit(9)->text();
    profile.printconfirm = cb3->isChecked();
    profile.indexswitch = CheckBox1->isChecked();
    profile.indexstencil = stencilBox->isChecked();
    connect(cb2, &QComboBox::currentIndexChanged, this,
            [this](int index) { profile.format = std::max(0, index); });
    const std::array<bool PrintProfile::*, 4> pictures = {
        &PrintProfile::otkogo, &PrintProfile::komu, &PrintProfile::index, &PrintProfile::marka};
    for (size_t i = 0; i < pictures.size(); ++i)
        connect(SpeedButton[i], &QToolButton::toggled, this,
                [this, flag = pictures[i]](bool on) { profile.*flag = on; });
    const std::array<std::pair<int, QString PrintProfile::*>, 3> texts = {
        {{3, &PrintProfile::iz}, {8, &PrintProfile::allx}, {9, &PrintProfile::ally}}};
    for (const auto& [field, text] : texts)
        connect(edit(field), &QLineEdit::textChanged, this,
                [this, text = text](const QString& value) { profile.*text = value; });
    connect(cb3, &QCheckBox::toggled, this, [this](bool on) { profile.printconfirm = on; });
    connect(CheckBox1, &QCheckBox::toggled, this, [this](bool on) { profile.indexswitch = on; });
    connect(stencilBox, &QCheckBox::toggled, this, [this](bool on) {
        profile.indexstencil = on;
        showStencil();
    });
    connect(ccb1, &TCheckedComboBox::changed, this, [this] {
        profile.printprofiles = ccb1->CheckedText().split(QLatin1Char(','), Qt::SkipEmptyParts);
    });
}

Tview::~Tview() {
    qApp->removeEventFilter(this);
}

void Tview::buildWindow() {
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
    cb1 = new QComboBox(this);
    cb1->setMinimumWidth(220);
    describe(cb1, QStringLiteral("Профиль:"), QStringLiteral("cb1"));
    auto* profileLabel = new QLabel(QStringLiteral("Профиль:"), this);
    profileLabel->setBuddy(cb1);
    SpeedButton7 =
        textButton(QStringLiteral("Переименовать"), QStringLiteral("Переименовать профиль"),
                   QStringLiteral("SpeedButton7"), this);
    SpeedButton6 = textButton(QStringLiteral("Удалить"), QStringLiteral("Удалить профиль"),
                              QStringLiteral("SpeedButton6"), this);
    SpeedButton5 = textButton(QStringLiteral("Добавить"), QStringLiteral("Добавить новый профиль"),
                              QStringLiteral("SpeedButton5"), this);
    Button5 = new QPushButton(QStringLiteral("Сохранить как"), this);
    Button5->setToolTip(QStringLiteral("Сохранить текущий профиль как ..."));
    describe(Button5, Button5->text(), QStringLiteral("Button5"));
    Button10 = new QPushButton(QStringLiteral("Сохранить"), this);
    describe(Button10, Button10->text(), QStringLiteral("Button10"));
    Button10->setEnabled(false);
    for (QPushButton* button : {Button5, Button10})
        button->setAutoDefault(false);
    top->addWidget(profileLabel);
    top->addWidget(cb1);
    top->addWidget(SpeedButton7);
    top->addWidget(SpeedButton6);
    top->addWidget(SpeedButton5);
    top->addWidget(Button5);
    top->addWidget(Button10);
    undoButton = textButton(QStringLiteral("Отменить"), QStringLiteral("Отменить"),
                            QStringLiteral("undoButton"), this);
    undoButton->setIcon(themeIcon("edit-undo", QStyle::SP_ArrowBack));
    redoButton = textButton(QStringLiteral("Повторить"), QStringLiteral("Повторить"),
                            QStringLiteral("redoButton"), this);
    redoButton->setIcon(themeIcon("edit-redo", QStyle::SP_ArrowForward));
    top->addWidget(undoButton);
    top->addWidget(redoButton);
    top->addStretch(1);
    layout->addLayout(top);

    auto* middle = new QHBoxLayout;
    middle->addWidget(buildPanels());
    P1 = new QWidget(this);
    P1->setAutoFillBackground(true);
    QPalette grey = P1->palette();
    grey.setColor(QPalette::Window, QColor(160, 160, 160));
    P1->setPalette(grey);
    P1->setMinimumSize(50, 50);
    P1->installEventFilter(this);
    describe(P1, QStringLiteral("Рабочая область"), QStringLiteral("P1"));
    p2 = new Surface(P1);
    describe(p2, QStringLiteral("Конверт"), QStringLiteral("p2"));
    middle->addWidget(P1, 1);
    layout->addLayout(middle, 1);

    layout->addLayout(buildBars());

    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(true);
    statusPanel = new QLabel(status);
    statusPanel->setFixedWidth(500);
    formatPanel = new QLabel(status);
    formatPanel->setMinimumWidth(50);
    statusPanel->setObjectName(QStringLiteral("statusPanel"));
    formatPanel->setObjectName(QStringLiteral("formatPanel"));
    status->addWidget(statusPanel);
    status->addWidget(formatPanel, 1);
    describe(status, QStringLiteral("Строка состояния"), QStringLiteral("sb"));
    layout->addWidget(status);

    pp1 = new QMenu(this);
    N10 = pp1->addAction(QStringLiteral("Шрифт"));
    N11 = pp1->addAction(QStringLiteral("Видимость"));
    N11->setCheckable(true);
    pp1->setObjectName(QStringLiteral("pp1"));
    N10->setObjectName(QStringLiteral("N10"));
    N11->setObjectName(QStringLiteral("N11"));
}

QWidget* Tview::buildPanels() {
    auto* column = new QWidget(this);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto field = [this](int n, QWidget* parent, const QString& name) {
        auto* e = new QLineEdit(parent);
        e->setMaxLength(4);
        e->setFixedWidth(44);
        describe(e, name, QStringLiteral("Edit%1").arg(n));
        new NumberKeyFilter(e, 2);
        e->installEventFilter(this);
        edits[size_t(n)] = e;
        auto* mm = new QLabel(parent);
        mm->setMinimumWidth(52);
        mm->setObjectName(QStringLiteral("mm%1").arg(n));
        mmLabels[size_t(n)] = mm;
        connect(e, &QLineEdit::textChanged, this, [this] {
            guarded(w.messages, [this] {
                markmodified();
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
            describe(arrow, x + QLatin1Char(' ') + names[size_t(d)], QStringLiteral("SB"));
            arrows[size_t(panel)][size_t(d)] = arrow;
            cross->addWidget(arrow, places[size_t(d)].x(), places[size_t(d)].y());
            connect(arrow, &QToolButton::pressed, this, [this, arrow, panel, d] {
                // The repeats of one press and its click are one step.
                m_history.endBurst();
                m_held = arrow;
                m_heldStep = [this, panel, d] { arrowStep(panel, d); };
                T2.setInterval(500);
                T2.start();
            });
            connect(arrow, &QToolButton::released, this, [this] {
                T2.stop();
                T2.setInterval(500);
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
    describe(gapMinus, QStringLiteral("Уменьшить расстояние"), QStringLiteral("SpeedButton8"));
    describe(gapPlus, QStringLiteral("Увеличить расстояние"), QStringLiteral("SpeedButton9"));
    plusMinus->addWidget(gapMinus);
    plusMinus->addWidget(gapPlus);
    digitsGrid->addLayout(plusMinus, row, 3);
    auto* gapApply = new QPushButton(digits);
    gapApply->setIcon(applyIcon());
    gapApply->setFixedSize(24, 22);
    gapApply->setAutoDefault(false);
    describe(gapApply, QStringLiteral("Расстояние между цифр: применить"),
             QStringLiteral("Button2"));
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
        QStringLiteral("Button1"), QStringLiteral("Button2"), QStringLiteral("Button3"),
        QStringLiteral("Button6"), QStringLiteral("Button4"), QStringLiteral("Button7")};
    const std::array<void (Tview::*)(), 6> applies = {&Tview::Button1Click, &Tview::Button2Click,
                                                      &Tview::Button3Click, &Tview::Button6Click,
                                                      &Tview::Button4Click, &Tview::Button7Click};
    for (int i = 0; i < 6; ++i) {
        setProgramName(applyButtons[size_t(i)], applyNames[size_t(i)]);
        connect(applyButtons[size_t(i)], &QPushButton::clicked, this,
                [this, i, apply = applies[size_t(i)]] {
                    guarded(w.messages, [&] {
                        (this->*apply)();
                        recordChange(i == 1 ? ProfileChange::DigitSpacing : ProfileChange::Move);
                        m_history.endBurst();
                    });
                });
    }
    connect(gapMinus, &QToolButton::clicked, this, [this] {
        guarded(w.messages, [this] {
            const int z = toWholeNumberOf(3);
            if (z > 0)
                edit(3)->setText(QString::number(z - 1));
            Button2Click();
            recordChange(ProfileChange::DigitSpacing);
        });
    });
    connect(gapPlus, &QToolButton::clicked, this, [this] {
        guarded(w.messages, [this] {
            const int z = toWholeNumberOf(3);
            if (z < 100)
                edit(3)->setText(QString::number(z + 1));
            Button2Click();
            recordChange(ProfileChange::DigitSpacing);
        });
    });
    return column;
}

QLayout* Tview::buildBars() {
    auto* bottom = new QHBoxLayout;
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
        describe(toggle, hints[size_t(i)], QStringLiteral("SpeedButton%1").arg(i + 1));
        SpeedButton[size_t(i)] = toggle;
        bottom->addWidget(toggle);
        connect(toggle, &QToolButton::clicked, this, [this] {
            guarded(w.messages, [this] {
                drawblocks();
                markmodified();
            });
        });
    }

    ToolButton1 = new QToolButton(this);
    ToolButton1->setToolTip(QStringLiteral("Положение конверта на листе"));
    ToolButton1->setPopupMode(QToolButton::MenuButtonPopup);
    ToolButton1->setIconSize(QSize(30, 24));
    describe(ToolButton1, QStringLiteral("Положение конверта на листе"),
             QStringLiteral("ToolButton1"));
    pm2 = new QMenu(this);
    pm2->setObjectName(QStringLiteral("pm2"));
    auto* positions = new QActionGroup(this);
    const std::array<const char*, 9> captions = {
        "слева вверху",    "слева поцентру",  "слева внизу",
        "поцентру вверху", "поцентру внизу",  "поцентру вцентре",
        "справа вверху",   "справа поцентру", "справа внизу"};
    for (int i = 0; i < 9; ++i) {
        QAction* item =
            pm2->addAction(sheetPositionIcon(i), QString::fromUtf8(captions[size_t(i)]));
        item->setCheckable(true);
        positions->addAction(item);
        positionItems[size_t(i)] = item;
    }
    ToolButton1->setMenu(pm2);
    ToolButton1->setIcon(sheetPositionIcon(0));
    bottom->addWidget(ToolButton1);

    auto* printLabel = new QLabel(QStringLiteral("Профили на печать:"), this);
    ccb1 = new TCheckedComboBox(this);
    ccb1->setMinimumWidth(220);
    ccb1->SetEmptyValue(QStringLiteral("Профили на печать"));
    ccb1->setAccessibleName(QStringLiteral("Профили на печать"));
    setProgramName(ccb1, QStringLiteral("ccb1"));
    ccb1->setNoticeHandler([this](const QString& text) { w.messages.notice(text); });
    printLabel->setBuddy(ccb1);
    connect(ccb1, &TCheckedComboBox::userChanged, this, [this] { markmodified(); });
    bottom->addWidget(printLabel);
    bottom->addWidget(ccb1);

    auto* formatLabel = new QLabel(QStringLiteral("Тип конверта:"), this);
    cb2 = new QComboBox(this);
    cb2->setToolTip(QStringLiteral("Выбор формата конверта"));
    cb2->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    describe(cb2, QStringLiteral("Тип конверта:"), QStringLiteral("cb2"));
    formatLabel->setBuddy(cb2);
    bottom->addWidget(formatLabel);
    bottom->addWidget(cb2);

    bottom->addStretch(1);
    // The switches, the block commands, the delay and the leaving buttons on a second row.
    auto* second = new QHBoxLayout;
    auto* options = new QVBoxLayout;
    CheckBox1 = new QCheckBox(QStringLiteral("Поменять индексы местами"), this);
    describe(CheckBox1, CheckBox1->text(), QStringLiteral("CheckBox1"));
    cb3 = new QCheckBox(QStringLiteral("Подтверждение печати"), this);
    describe(cb3, cb3->text(), QStringLiteral("cb3"));
    stencilBox = new QCheckBox(QStringLiteral("Цифры индекса по трафарету"), this);
    describe(stencilBox, stencilBox->text(), QStringLiteral("stencilBox"));
    options->addWidget(CheckBox1);
    options->addWidget(stencilBox);
    options->addWidget(cb3);
    second->addLayout(options);

    Button11 = new QPushButton(QStringLiteral("Шрифт"), this);
    describe(Button11, Button11->text(), QStringLiteral("Button11"));
    Button12 = new QPushButton(QStringLiteral("Выделить всё"), this);
    describe(Button12, Button12->text(), QStringLiteral("Button12"));
    second->addWidget(Button11);
    second->addWidget(Button12);

    auto* delay = new QGridLayout;
    rb1 = new QRadioButton(QStringLiteral("Задержка печати"), this);
    rb1->setChecked(true);
    describe(rb1, rb1->text(), QStringLiteral("rb1"));
    rb2 = new QRadioButton(QStringLiteral("Задержка печати только по профилям"), this);
    describe(rb2, rb2->text(), QStringLiteral("rb2"));
    Edit15 = new QLineEdit(QStringLiteral("0"), this);
    Edit15->setFixedWidth(40);
    describe(Edit15, QStringLiteral("Задержка печати, секунд"), QStringLiteral("Edit15"));
    UpDown1 = new QSpinBox(this);
    UpDown1->setRange(0, 100);
    UpDown1->setFixedWidth(18);
    UpDown1->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    describe(UpDown1, QStringLiteral("Задержка печати, секунд"), QStringLiteral("UpDown1"));
    delay->addWidget(rb1, 0, 0, 1, 2);
    delay->addWidget(rb2, 1, 0, 1, 2);
    delay->addWidget(Edit15, 0, 2);
    delay->addWidget(UpDown1, 0, 3);
    second->addLayout(delay);
    second->addStretch(1);

    Button9 = new QPushButton(QStringLiteral("Сохранить и выйти"), this);
    describe(Button9, Button9->text(), QStringLiteral("Button9"));
    Button8 = new QPushButton(QStringLiteral("Отмена"), this);
    describe(Button8, Button8->text(), QStringLiteral("Button8"));
    for (QPushButton* button : {Button11, Button12, Button9, Button8})
        button->setAutoDefault(false);
    second->addWidget(Button9);
    second->addWidget(Button8);
    auto* rows = new QVBoxLayout;
    rows->addLayout(bottom);
    rows->addLayout(second);
    return rows;
}

void Tview::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    guarded(w.messages, [this] { init(); });
}

void Tview::hideEvent(QHideEvent* event) {
    qApp->removeEventFilter(this);
    Timer1.stop();
    T2.stop();
    QDialog::hideEvent(event);
}

void Tview::init() {
    m_armed = true;
    T2.stop();
    for (int n : {4, 5, 6, 7})
        edit(n)->setText(QStringLiteral("0"));
    // The arrow keys and Escape belong to the editor while it is in front,
    // even when a coordinate field has the focus.
    qApp->installEventFilter(this);
    Timer1.start();
    w.opt->listprofiles();
    setform();
    centreSurface();
    settext();
    Button10->setEnabled(false);
    clearSelection();
    readDelaySettings();
}

bool Tview::eventFilter(QObject* watched, QEvent* event) {
    if (watched == P1 && event->type() == QEvent::Resize) {
        guarded(w.messages, [this] {
            centreSurface();
            markmodified();
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
                    guarded(w.messages, [&] { eKeyDown(n); });
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
    guarded(w.messages, [&] { hotKey(key); });
    return true;
}
