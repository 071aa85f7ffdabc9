#include "core/profiles/EnvelopeDocument.h"

#include <QScopedValueRollback>

EnvelopeDocument::EnvelopeDocument(QObject* parent) : QObject(parent) {
    connect(&m_history.stack(), &QUndoStack::canUndoChanged, this,
            &EnvelopeDocument::canUndoChanged);
    connect(&m_history.stack(), &QUndoStack::canRedoChanged, this,
            &EnvelopeDocument::canRedoChanged);
}

template <typename Change> void EnvelopeDocument::change(Change&& change) {
    const PrintProfile before = m_profile;
    change(m_profile);
    announce(before);
}

void EnvelopeDocument::announce(const PrintProfile& before) {
    if (m_profile == before)
        return;
    // A copy: a view that answers by editing the list again must not change what it was told.
    const QStringList printList = m_profile.printprofiles;
    if (printList != before.printprofiles)
        emit printListChanged(printList);
    emit profileChanged();
}

void EnvelopeDocument::setName(const QString& name) {
    if (name == m_name)
        return;
    m_name = name;
    emit nameChanged(m_name);
}

void EnvelopeDocument::setPrintList(const QStringList& names) {
    change([&](PrintProfile& p) { p.printprofiles = names; });
}

void EnvelopeDocument::setBlockPosition(int number, QPoint position) {
    change([&](PrintProfile& p) {
        p.block(number).x = position.x();
        p.block(number).y = position.y();
    });
}

void EnvelopeDocument::setBlockFont(int number, const TextBlock& font) {
    change([&](PrintProfile& p) { p.block(number).setFontFrom(font); });
}

void EnvelopeDocument::setBlockVisible(int number, bool visible) {
    change([&](PrintProfile& p) { p.block(number).visible = visible; });
}

void EnvelopeDocument::setFormat(int format) {
    change([&](PrintProfile& p) { p.format = format; });
}

void EnvelopeDocument::setPicturePrinted(int slot, bool printed) {
    static constexpr std::array<bool PrintProfile::*, 4> flags = {
        &PrintProfile::otkogo, &PrintProfile::komu, &PrintProfile::index, &PrintProfile::marka};
    change([&](PrintProfile& p) { p.*flags[size_t(slot)] = printed; });
}

void EnvelopeDocument::setDigitSpacing(const QString& spacing) {
    change([&](PrintProfile& p) { p.iz = spacing; });
}

void EnvelopeDocument::setSheetPosition(int position) {
    change([&](PrintProfile& p) { p.listpos = position; });
}

void EnvelopeDocument::setSheetShiftAcross(const QString& shift) {
    change([&](PrintProfile& p) { p.allx = shift; });
}

void EnvelopeDocument::setSheetShiftDown(const QString& shift) {
    change([&](PrintProfile& p) { p.ally = shift; });
}

void EnvelopeDocument::setPadMarker(QPoint marker) {
    change([&](PrintProfile& p) {
        p.corx = marker.x();
        p.cory = marker.y();
    });
}

void EnvelopeDocument::setPrintConfirm(bool on) {
    change([&](PrintProfile& p) { p.printconfirm = on; });
}

void EnvelopeDocument::setIndexSwitch(bool on) {
    change([&](PrintProfile& p) { p.indexswitch = on; });
}

void EnvelopeDocument::setIndexStencil(bool on) {
    change([&](PrintProfile& p) { p.indexstencil = on; });
}

void EnvelopeDocument::setKeptValues(const std::array<QString, 11>& kept) {
    change([&](PrintProfile& p) { p.kept = kept; });
}

void EnvelopeDocument::setProfile(const PrintProfile& profile) {
    change([&](PrintProfile& p) { p = profile; });
}

void EnvelopeDocument::read(const std::function<void(PrintProfile&)>& reader) {
    const PrintProfile before = m_profile;
    try {
        reader(m_profile);
    } catch (...) {
        announce(before);
        throw;
    }
    announce(before);
}

void EnvelopeDocument::setModified(bool modified) {
    if (modified == m_modified)
        return;
    m_modified = modified;
    emit modifiedChanged(m_modified);
}

void EnvelopeDocument::startHistory() {
    m_history.start(m_profile);
    setModified(false);
}

void EnvelopeDocument::forgetSteps() {
    m_history.start(m_profile);
}

void EnvelopeDocument::record(ProfileChange kind) {
    if (m_restoring)
        return;
    m_history.record(m_profile, kind);
    if (!m_history.isClean())
        setModified(true);
}

void EnvelopeDocument::endBurst() {
    m_history.endBurst();
}

bool EnvelopeDocument::canUndo() const {
    return m_history.canUndo();
}

bool EnvelopeDocument::canRedo() const {
    return m_history.canRedo();
}

void EnvelopeDocument::undo() {
    record(ProfileChange::Other);
    if (!m_history.canUndo())
        return;
    m_history.undo();
    setModified(!m_history.isClean());
}

void EnvelopeDocument::redo() {
    if (!m_history.canRedo())
        return;
    m_history.redo();
    setModified(!m_history.isClean());
}

void EnvelopeDocument::restore(const PrintProfile& profile) {
    const QScopedValueRollback restoring(m_restoring, true);
    setProfile(profile);
    emit profileRestored();
    // The views were filled from it; the profile is the history's, exactly.
    setProfile(profile);
}
