#include "ui/editor/LayoutEditor.h"

#include "ui/common/ControlNames.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/BlockCanvas.h"
#include "ui/editor/CoordinatePanels.h"
#include "ui/editor/NamedControls.h"
#include "ui/editor/OptionsBar.h"
#include "ui/editor/ProfileBar.h"
#include "ui/editor/ProfileStore.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScrollArea>
#include <QStatusBar>
#include <QVBoxLayout>

namespace Editor = ControlNames::Editor;

LayoutEditor::LayoutEditor(Windows& windows)
    : QDialog(windows.mainWindow), w(windows), m_document(*windows.document) {
    buildWindow();
    statusTimer.setObjectName(Editor::statusTimer);
    statusTimer.setInterval(10);
    connect(&statusTimer, &QTimer::timeout, this, [this] { showStatus(); });
    connectParts();
    connectUndoKeys();
}

void LayoutEditor::connectParts() {
    auto on = [this](auto* sender, auto signal, auto command) {
        connect(sender, signal, this, [this, command] { guarded(w.messages, command); });
    };
    on(m_profileBar, &ProfileBar::saveRequested, [this] { saveCurrentProfile(false); });
    connect(m_profileBar, &ProfileBar::profileAppended, m_optionsBar, &OptionsBar::tickLastProfile);
    connect(m_canvas, &BlockCanvas::blockMoved, m_panels, &CoordinatePanels::showCoordinates);
    on(m_optionsBar, &OptionsBar::formatChanged, [this] { startFormat(); });
    on(m_optionsBar, &OptionsBar::saveAndCloseRequested, [this] {
        if (saveCurrentProfile(true))
            close();
    });
    connect(m_optionsBar, &OptionsBar::cancelRequested, this, &LayoutEditor::close);
    // Every way of closing ("Отмена", "Сохранить и выйти", Escape, the close box) ends here.
    on(this, &QDialog::finished, [this] { finishClosing(); });

    connect(&m_document, &EnvelopeDocument::modifiedChanged, m_profileBar,
            &ProfileBar::showModified);
    on(&m_document, &EnvelopeDocument::profileRestored, [this] { showProfile(); });
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

    // The panels and the envelope scroll where the screen is too small for them; the
    // profile bar above and the options with «Сохранить и выйти» below stay in view.
    auto* work = new QScrollArea(this);
    work->setFrameShape(QFrame::NoFrame);
    work->setWidgetResizable(true);
    work->viewport()->setAutoFillBackground(false);
    auto* middleArea = new QWidget(work);
    auto* middle = new QHBoxLayout(middleArea);
    middle->setContentsMargins(0, 0, 0, 0);
    m_canvas = new BlockCanvas(w, middleArea);
    m_panels = new CoordinatePanels(w, *m_canvas, middleArea);
    middle->addWidget(m_panels);
    middle->addWidget(m_canvas, 1);
    work->setWidget(middleArea);
    layout->addWidget(work, 1);
    m_optionsBar = new OptionsBar(w, *m_canvas, this);
    layout->addWidget(m_optionsBar);

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
    m_optionsBar->readDelay(w.profileStore->ini());
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
