// The layout editor's work area: formats and pictures, blocks, selection, dragging, key
// moves, the block menu and the out-of-envelope check.
#include "ui/editor/BlockCanvas.h"

#include "core/UserError.h"
#include "core/envelope/Compose.h"
#include "core/envelope/EnvelopeFormat.h"
#include "core/envelope/PictureCache.h"
#include "core/profiles/EnvelopeDocument.h"
#include "ui/common/ControlNames.h"
#include "ui/common/MainWindowInterface.h"
#include "ui/common/Messages.h"
#include "ui/common/Windows.h"
#include "ui/editor/Canvas.h"
#include "ui/editor/NamedControls.h"

#include <QAction>
#include <QFontDatabase>
#include <QMenu>
#include <QMouseEvent>
#include <cmath>

namespace Editor = ControlNames::Editor;

namespace {

// A block that is not printed is shown in the colour of inactive caption text.
const QColor hiddenColour(128, 128, 128);

QFont dialogFont(const TextBlock& block) {
    QFont font = styledFont(block);
    font.setPointSize(block.size);
    return font;
}

// The chosen font into the block's stored fields; the character set stays,
// since Qt's font dialog does not choose one.
void takeFont(TextBlock& block, const QFont& font, int dpiY) {
    int size = font.pointSize();
    if (size <= 0 && font.pointSizeF() > 0)
        size = int(std::lround(font.pointSizeF()));
    if (size <= 0 && font.pixelSize() > 0)
        size = int(std::lround(font.pixelSize() * 72.0 / dpiY));
    // A size the profile load refuses would make the saved profile unloadable.
    if (size < 1 || size > 1000)
        throw UserError(QStringLiteral("font size %1").arg(size));
    block.face = font.family();
    block.size = size;
    block.style = (font.bold() ? StyleBold : 0) | (font.italic() ? StyleItalic : 0) |
                  (font.underline() ? StyleUnderline : 0) | (font.strikeOut() ? StyleStrikeOut : 0);
    const bool fixed = font.fixedPitch() ||
                       QFontDatabase::isFixedPitch(font.family(), QFontDatabase::styleString(font));
    if (fixed)
        block.pitch = 2;
    else if (block.pitch == 2)
        block.pitch = 0;
}

} // namespace

BlockCanvas::BlockCanvas(Windows& windows, QWidget* parent)
    : QWidget(parent), w(windows), m_document(*windows.document) {
    setAutoFillBackground(true);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(160, 160, 160));
    setPalette(grey);
    setMinimumSize(50, 50);
    describe(this, QStringLiteral("Рабочая область"), Editor::workArea);
    surface = new Surface(this);
    describe(surface, QStringLiteral("Конверт"), Editor::surface);

    blockMenu = new QMenu(this);
    // Letters as the main window's menus have them: the menu opened from the keyboard
    // (the context-menu key) is then worked by letter.
    blockFontItem = blockMenu->addAction(QStringLiteral("&Шрифт"));
    visibilityItem = blockMenu->addAction(QStringLiteral("&Видимость"));
    visibilityItem->setCheckable(true);
    blockMenu->setObjectName(Editor::blockMenu);
    blockFontItem->setObjectName(Editor::blockFontItem);
    visibilityItem->setObjectName(Editor::visibilityItem);
    connect(blockFontItem, &QAction::triggered, this,
            [this] { guarded(w.messages, [this] { chooseFont(); }); });
    connect(visibilityItem, &QAction::triggered, this,
            [this] { guarded(w.messages, [this] { toggleVisibility(); }); });
    // The check mark follows the last selected block in block order.
    connect(blockMenu, &QMenu::aboutToShow, this, [this] {
        for (int n = blockCount; n >= 1; --n) {
            if (isSelected(n)) {
                visibilityItem->setChecked(m_document.profile().block(n).visible);
                break;
            }
        }
    });

    for (int n = 1; n <= blockCount; ++n) {
        auto* block = new BlockLabel(n, surface);
        labels[size_t(n - 1)] = block;
        connect(block, &BlockLabel::pressed, this,
                [this](int k, QMouseEvent* e) { guarded(w.messages, [&] { labelPress(k, e); }); });
        connect(block, &BlockLabel::moved, this,
                [this](int k, QMouseEvent* e) { guarded(w.messages, [&] { labelMove(k, e); }); });
        connect(block, &BlockLabel::released, this, [this](int k, QMouseEvent* e) {
            guarded(w.messages, [&] { labelRelease(k, e); });
        });
        block->setText(QString::fromUtf8(blockInfo(n).caption));
        moveBlock(n, blockPos(n));
    }
    applyFonts();
    showVisibility();
    label(1)->setColour(Qt::red);
}

const ScreenConversions& BlockCanvas::screen() const {
    return *w.screen;
}

QPoint BlockCanvas::blockPos(int number) const {
    const TextBlock& block = m_document.profile().block(number);
    return {block.x, block.y};
}

void BlockCanvas::moveBlock(int number, QPoint position) {
    m_document.setBlockPosition(number, position);
    label(number)->move(position);
    showMisfits();
}

int BlockCanvas::blockWidth(int number) const {
    return label(number)->width();
}

void BlockCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    guarded(w.messages, [this] {
        centreSurface();
        m_document.setModified(true);
    });
}

void BlockCanvas::showEnvelope(int format) {
    if (format >= 0) {
        PictureCache& pictures = *w.pictureCache;
        const EnvelopeFormat& f = envelopeFormats()[size_t(format)];
        const QSize size(screen().pxCoordX(f.widthMm), screen().pxCoordY(f.heightMm));
        surface->resize(size);
        // The envelope is never cut: where the window is smaller, the work area scrolls.
        setMinimumSize(size.expandedTo(QSize(50, 50)));
        if (f.allPictures) {
            for (PictureSlot slot : {SenderSlot, RecipientSlot, IndexSlot, StampSlot}) {
                Surface::Picture& picture = surface->picture(slot);
                picture.position = picturePosition(format, slot, size);
                picture.image = pictures.picture(pictureFile(format, slot, true));
                picture.shown = true;
            }
        } else {
            Surface::Picture& sender = surface->picture(SenderSlot);
            sender.position = QPoint(0, 0);
            sender.image = pictures.picture(pictureFile(format, SenderSlot, true));
            sender.shown = true;
            for (PictureSlot slot : {RecipientSlot, IndexSlot, StampSlot})
                surface->picture(slot).shown = false;
        }
    }
    centreSurface();
    showMisfits();
}

void BlockCanvas::showPicture(int format, int slot, bool printed) {
    surface->picture(slot).image =
        w.pictureCache->picture(pictureFile(format, PictureSlot(slot), printed));
    surface->update();
}

void BlockCanvas::centreSurface() {
    surface->move(width() / 2 - surface->width() / 2, height() / 2 - surface->height() / 2);
}

void BlockCanvas::showTexts() {
    const auto texts = blockTexts(w.mainWindow->addressTexts(), m_document.profile().indexswitch);
    for (int n = 1; n <= blockCount; ++n)
        label(n)->setText(texts[size_t(n - 1)]);
    m_textsShown = true;
    showMisfits();
}

void BlockCanvas::showMisfits() {
    if (!m_textsShown)
        return;
    Envelope envelope =
        composeEnvelope(m_document.profile(), w.mainWindow->addressTexts(), {}, screen());
    // The envelope of the format the editor shows, which the format list may have changed.
    envelope.size = surface->size();
    m_misfits = envelopeMisfits(envelope);
    std::array<std::vector<LineMisfit>, blockCount> byBlock;
    for (const LineMisfit& misfit : m_misfits)
        byBlock[size_t(misfit.block - 1)].push_back(misfit);
    for (int n = 1; n <= blockCount; ++n)
        label(n)->setToolTip(misfitsNotice(byBlock[size_t(n - 1)]));
    surface->setMisfits(m_misfits);
}

void BlockCanvas::showStencil() {
    for (int n = firstDigitBlock; n <= lastDigitBlock; ++n)
        label(n)->setStencil(m_document.profile().indexstencil);
}

void BlockCanvas::applyFonts() {
    for (int n = 1; n <= blockCount; ++n)
        label(n)->setBlockFont(blockFont(m_document.profile().block(n), screen()));
    showMisfits();
}

void BlockCanvas::paintLabel(int number) {
    const TextBlock& block = m_document.profile().block(number);
    if (isSelected(number))
        label(number)->setColour(Qt::red);
    else if (!block.visible)
        label(number)->setColour(hiddenColour);
    else
        label(number)->setColour(colourOf(block.colour));
}

void BlockCanvas::paintLabels() {
    for (int n = 1; n <= blockCount; ++n)
        paintLabel(n);
}

void BlockCanvas::showVisibility() {
    for (int n = 1; n <= blockCount; ++n) {
        const TextBlock& block = m_document.profile().block(n);
        label(n)->setColour(block.visible ? colourOf(block.colour) : hiddenColour);
    }
    showMisfits();
}

void BlockCanvas::rememberPositions() {
    for (int n = 1; n <= blockCount; ++n)
        m_saved[size_t(n - 1)] = blockPos(n);
}

void BlockCanvas::clearSelection() {
    m_selected.fill(false);
    showVisibility();
}

void BlockCanvas::selectAll() {
    m_selected.fill(true);
    paintLabels();
}

void BlockCanvas::labelPress(int number, QMouseEvent* event) {
    m_document.endBurst();
    m_selected.fill(false);
    m_drag = event->button() != Qt::RightButton;
    m_grabPoint = event->position().toPoint();
    showVisibility();
    if (isDigitBlock(number)) {
        for (int n = firstDigitBlock; n <= lastDigitBlock; ++n)
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

void BlockCanvas::followTarget(QPoint target) {
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
        emit blockMoved(n);
    }
}

void BlockCanvas::labelMove(int, QMouseEvent* event) {
    if (!m_drag)
        return;
    m_document.setModified(true);
    followTarget(surface->mapFromGlobal(event->globalPosition().toPoint()) - m_grabPoint);
}

void BlockCanvas::labelRelease(int, QMouseEvent* event) {
    m_drag = false;
    followTarget(surface->mapFromGlobal(event->globalPosition().toPoint()) - m_grabPoint);
    checkInside();
    m_document.record(ProfileChange::Move);
    m_document.endBurst();
}

void BlockCanvas::checkInside() {
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

void BlockCanvas::moveByKey(int key) {
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
        emit blockMoved(n);
    }
    m_document.record(ProfileChange::Move);
}

void BlockCanvas::chooseFont() {
    try {
        for (int n = 1; n <= blockCount; ++n) {
            if (!isSelected(n))
                continue;
            m_fontDialog.setFontFrom(m_document.profile().block(n));
        }
        QFont font = dialogFont(m_fontDialog);
        QColor colour = colourOf(m_fontDialog.colour);
        if (w.messages.fontDialog(font, colour)) {
            TextBlock chosen = m_fontDialog;
            takeFont(chosen, font, screen().scrDpiY);
            chosen.colour = bgrOf(colour);
            m_fontDialog = chosen;
            m_document.setModified(true);
            for (int n = 1; n <= blockCount; ++n) {
                if (!isSelected(n))
                    continue;
                m_document.setBlockFont(n, m_fontDialog);
            }
            applyFonts();
        }
    } catch (const std::exception&) {
        w.messages.notice(QStringLiteral("Не выделен текст"));
    }
    showVisibility();
    m_document.record(ProfileChange::Font);
}

void BlockCanvas::toggleVisibility() {
    m_document.setModified(true);
    for (int n = 1; n <= blockCount; ++n)
        if (isSelected(n))
            m_document.setBlockVisible(n, !m_document.profile().block(n).visible);
    showVisibility();
    m_document.record(ProfileChange::Visibility);
}
