#include "ui/editor/LayoutEditor.h"

#include "core/envelope/EnvelopeFormat.h"
#include "ui/common/ControlNames.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/controls/CheckedComboBox.h"
#include "ui/editor/BlockCanvas.h"
#include "ui/editor/CoordinatePanels.h"
#include "ui/editor/DelayOptions.h"
#include "ui/editor/NamedControls.h"
#include "ui/editor/PictureToggles.h"
#include "ui/editor/ProfileBar.h"
#include "ui/editor/ProfileStore.h"
#include "ui/editor/ProfileSwitches.h"
#include "ui/editor/SheetPositionButton.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace Editor = ControlNames::Editor;

LayoutEditor::LayoutEditor(Windows& windows)
    : QDialog(windows.mainWindow), w(windows), m_document(*windows.document) {
    buildWindow();
    for (int format = 0; format < formatCount; ++format)
        formatChoice->addItem(formatEntryText(format));
    formatChoice->setCurrentIndex(-1);
    setSheetPosition(sheetPosition());
    switches->showDocument();

    statusTimer.setObjectName(Editor::statusTimer);
    statusTimer.setInterval(10);
    connect(&statusTimer, &QTimer::timeout, this, [this] { showStatus(); });
    connectCommands();
    connectDocument();
    connectHistory();
}

void LayoutEditor::connectDocument() {
    EnvelopeDocument& d = m_document;
    // Each control sends what the user changed in it; the document is the profile.
    connect(switches, &ProfileSwitches::stencilChanged, this, [this] { m_canvas->showStencil(); });
    connect(printChoice, &CheckedComboBox::changed, this, [this, &d] {
        d.setPrintList(printChoice->CheckedText().split(QLatin1Char(','), Qt::SkipEmptyParts));
    });

    connect(&d, &EnvelopeDocument::printListChanged, this,
            [this](const QStringList& ticked) { showPrintList(ticked); });
    connect(&d, &EnvelopeDocument::modifiedChanged, m_profileBar, &ProfileBar::showModified);
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
    m_profileBar = new ProfileBar(w, this);
    layout->addWidget(m_profileBar);

    auto* middle = new QHBoxLayout;
    m_canvas = new BlockCanvas(w, this);
    m_panels = new CoordinatePanels(w, *m_canvas, this);
    middle->addWidget(m_panels);
    middle->addWidget(m_canvas, 1);
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
}

QLayout* LayoutEditor::buildBars() {
    auto* bottom = new QHBoxLayout;
    pictureToggles = new PictureToggles(m_document, this);
    bottom->addWidget(pictureToggles);
    connect(pictureToggles, &PictureToggles::userChanged, this, [this] {
        guarded(w.messages, [&] {
            showPictures();
            m_document.setModified(true);
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
    connect(printChoice, &CheckedComboBox::userChanged, this,
            [this] { m_document.setModified(true); });
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
    m_panels->stopRepeating();
    QDialog::hideEvent(event);
}

void LayoutEditor::init() {
    m_canvas->armWarning();
    m_panels->reset();
    // The arrow keys and Escape belong to the editor while it is in front,
    // even when a coordinate field has the focus.
    qApp->installEventFilter(this);
    statusTimer.start();
    w.profileStore->refreshNames();
    showEnvelope();
    m_canvas->centreSurface();
    m_canvas->showTexts();
    m_document.setModified(false);
    m_canvas->clearSelection();
    delayOptions->read(w.profileStore->ini());
}

bool LayoutEditor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
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
    guarded(w.messages, [&] {
        if (undoKey || redoKey)
            undoKey ? m_document.undo() : m_document.redo();
        else if (key == Qt::Key_Escape)
            close();
        else
            m_canvas->moveByKey(key);
    });
    return true;
}

void LayoutEditor::showStatus() {
    try {
        const QPoint p = m_canvas->blockPos(1);
        statusPanel->setText(QStringLiteral("%1:%2(пкс) %3:%4(мм)")
                                 .arg(p.x())
                                 .arg(p.y())
                                 .arg(w.screen->xdCoordX(p.x()))
                                 .arg(w.screen->xdCoordY(p.y())));
    } catch (const std::exception&) {
    }
}
