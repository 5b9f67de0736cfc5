#pragma once
// The text control of one open file. The document is the file's bytes,
// shown as Windows-1252 (one byte = one character) or as UTF-8; positions,
// lengths and line starts are byte offsets.
#include "editor/core/ReplaceRecord.h"
#include "editor/core/ShownText.h"
#include "platform/core/EncodedText.h"
#include "platform/core/Encoding.h"
#include "platform/core/TextFile.h"
#include "print/core/LinePrinter.h"

#include <Qsci/qsciscintillabase.h>
#include <QByteArray>
#include <QColor>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QFont>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;
class TLongWork;
class QMimeData;

enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TXMemo : public QsciScintillaBase
{
    Q_OBJECT

public:
    explicit TXMemo(QWidget *owner = nullptr);
    ~TXMemo() override;

    // Print margins in millimetres; 0 or less means none.
    qint32 LeftMargin = 0;
    qint32 TopMargin = 0;
    qint32 BottomMargin = 0;

    virtual void ReadTextFromStream(QIODevice &stream);
    virtual void WriteTextToStream(QIODevice &stream);
    // The whole text, or the selection, to the printer with the margins;
    // with word wrap the lines are printed as the screen wraps them.
    virtual void PrintText();
    virtual void PrintSelection();
    // The same onto any channel, whose font is already the control's.
    void PrintText(printing::TPrintSink &sink, const printing::TPrintMetrics &metrics);
    void PrintSelection(printing::TPrintSink &sink, const printing::TPrintMetrics &metrics);
    printing::TPrintLayout ComputePrintLayout(const printing::TPrintMetrics &metrics) const;

    // The whole text.
    qint64 TextLength() const;
    // Valid until the next change of the text.
    const char *CharacterPointer() const;
    QByteArray Text() const;
    // The checksum of the whole text (diskidentity::Checksum).
    quint64 Checksum() const;
    // Makes `bytes` the whole text as a fresh document: no undo history.
    void SetText(const QByteArray &bytes);
    QByteArray TextRange(qint64 start, qint64 end) const;

    // Selection; the caret is a selection of length 0.
    qint64 SelStart() const;
    qint64 SelLength() const;
    void SetSelStart(qint64 position);
    void SetSelLength(qint64 length);
    void Select(qint64 start, qint64 length);
    QByteArray SelText() const;
    // One undo step.
    void SetSelText(const QByteArray &bytes);

    bool Modified() const;
    void SetModified(bool modified);

    // Line of a position; -1 means the line of the selection start.
    qint64 LineFromChar(qint64 position) const;
    // First position of a line, -1 when there is no such line.
    qint64 LineIndex(qint64 line) const;
    qint64 LineCount() const;

    // Everything between the two calls is one undo step.
    void BeginUndoAction();
    void EndUndoAction();
    // Replaces the bytes [from, to) (one undo step, NUL bytes allowed).
    void ReplaceRange(qint64 from, qint64 to, const QByteArray &bytes);
    // The X key code of the key now pressed (0 where there is none).
    quint32 NativeScanCode() const { return m_nativeScanCode; }

    // Replaces by `replacement`, as one undo step, the selection when
    // `selection` says so and then the `m` bytes at each position `find`
    // gives (ascending, in the text as it is by then), and puts the caret
    // behind the last one. Undo keeps a few bytes per occurrence. Out of
    // memory (std::bad_alloc) leaves the text as it was.
    void ReplaceOccurrences(bool selection, qint64 m, const QByteArray &replacement,
                            const std::function<std::vector<qint64>()> &find);

    void Undo();
    void Redo();
    void CutToClipboard();
    void CopyToClipboard();
    void ClearSelection();

    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool on);
    // Whether lines are wrapped on screen: WordWrap, unless the text is too
    // large to wrap without freezing the window.
    bool WrapsLines() const;
    TScrollStyle ScrollBars() const { return m_scrollBars; }
    void SetScrollBars(TScrollStyle style);
    bool WantTabs() const { return m_wantTabs; }
    void SetWantTabs(bool on) { m_wantTabs = on; }
    bool WantReturns() const { return m_wantReturns; }
    void SetWantReturns(bool on) { m_wantReturns = on; }
    bool HideSelection() const { return m_hideSelection; }
    void SetHideSelection(bool on);
    bool PlainText() const { return m_plainText; }
    void SetPlainText(bool on) { m_plainText = on; }
    // Overwrite mode: a typed character replaces the one right of the caret,
    // one undo step per key. A line end or the end of the text is never typed
    // over (typing there inserts, lines never join); a selection is replaced
    // as in insert mode.
    bool Overwrite() const { return m_overwrite; }
    void SetOverwrite(bool on) { m_overwrite = on; }
    int HelpContext() const { return m_helpContext; }
    void SetHelpContext(int context) { m_helpContext = context; }
    QString Hint() const { return m_hint; }
    void SetHint(const QString &hint);

    QFont EditorFont() const { return m_font; }
    // A font of the control's own: it stops following its owner's font.
    void SetEditorFont(const QFont &font);
    // The owner's font, taken only while the control has none of its own.
    void FollowFont(const QFont &font);
    // The owner's font again, and following it from now on.
    void ResetFont(const QFont &font);
    bool ParentFont() const { return m_parentFont; }
    QColor FontColor() const { return m_fontColor; }
    void SetFontColor(const QColor &color);

    // The line ending Enter inserts: the one the loaded text uses most.
    textfile::TEol Eol() const { return m_eol; }
    void SetEol(textfile::TEol eol);

    // An existing file whose bytes could not (all) be read: saving over it
    // must ask first, or a read error would become an empty file on disk.
    bool LoadFailed() const { return m_loadFailed; }
    void SetLoadFailed(bool failed) { m_loadFailed = failed; }

    // How the bytes are shown, typed and searched: Windows-1252 (one byte is
    // one character) or UTF-8.
    encoding::TEncoding Encoding() const { return m_encoding; }
    // Shows the same bytes in `encoding`; no byte changes.
    void SetEncoding(encoding::TEncoding encoding);
    // The encoding a load gives a text of ASCII alone; a text that took the
    // old one and is unchanged takes the new one too.
    encoding::TEncoding DefaultEncoding() const { return m_defaultEncoding; }
    void SetDefaultEncoding(encoding::TEncoding encoding);
    // Whether the encoding came from the default (nothing in the text
    // decided it) and nothing has been typed since.
    bool EncodingFromDefault() const { return m_encodingFromDefault && !Modified(); }
    // Rewrites the whole text in `target` as one undo step that also takes
    // the encoding back. False, with the first character `target` cannot
    // hold in `missing`, when the text stays as it is.
    bool ConvertTo(encoding::TEncoding target, encodedtext::TUnholdable *missing = nullptr);
    // Characters (not bytes) in [from, to).
    qint64 CharacterCount(qint64 from, qint64 to) const;
    // Text for the text's bytes: `text` in the text's encoding; in
    // Windows-1252 a character it cannot hold becomes "?".
    QByteArray BytesFor(const QString &text) const;
    QString TextOf(const QByteArray &bytes) const;
    // `text` (from the clipboard) at the selection, asking first when
    // Windows-1252 would lose characters of it; false when nothing went in.
    bool PasteText(const QString &text);
    bool CanFocus() const;

    // A text with a line too long to lay out is shown with extra line
    // breaks and cannot be changed; its bytes stay as they were loaded.
    bool ViewOnly() const { return m_shown != nullptr; }
    // Between positions in the text and positions as the screen shows it.
    qint64 ShownPosition(qint64 position) const;
    qint64 TextPosition(qint64 shownPosition) const;

signals:
    void Enter(TXMemo *sender);
    void Exit(TXMemo *sender);
    // A handler may set `key` to 0: the control then ignores the key.
    void KeyDown(TXMemo *sender, int &key, Qt::KeyboardModifiers shift);
    // One byte typed (printable, or 8, 9, 13, 27); 0 drops it. A character
    // of several UTF-8 bytes comes as its first byte: 0 drops all of them,
    // any other value keeps them.
    void KeyPress(TXMemo *sender, char &key);
    void KeyUp(TXMemo *sender, int &key, Qt::KeyboardModifiers shift);
    void MouseDown(TXMemo *sender, QMouseEvent *event);
    void MouseMove(TXMemo *sender, QMouseEvent *event);
    void MouseUp(TXMemo *sender, QMouseEvent *event);
    void Change(TXMemo *sender);
    void SelectionChange(TXMemo *sender);
    void DragDrop(TXMemo *sender, QDropEvent *event);
    void DragOver(TXMemo *sender, QDragMoveEvent *event);
    void StartDrag(TXMemo *sender);
    void EndDrag(TXMemo *sender);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    QByteArray fromMimeData(const QMimeData *source, bool &rectangular) const override;
    QMimeData *toMimeData(const QByteArray &text, bool rectangular) const override;

private:
    void ConfigureView();
    struct TReadState;
    void TakeFirstPiece(TReadState &state);
    void ReadInView(QIODevice &stream, qint64 room, TReadState &state);
    void ReadAside(QIODevice &stream, qint64 room, TReadState &state, TLongWork &progress);
    // Room for `capacity` bytes in the document's buffer.
    void Allocate(qint64 capacity);
    void ConfigureDocument();
    void ApplyWrap();
    void ApplyFont();
    void HandleKey(QKeyEvent *event);
    void TypeBytes(const QByteArray &bytes);
    // Hands each typed character to KeyPress; what the handlers keep.
    QByteArray PressEach(const QByteArray &bytes);
    // The bytes of up to `count` characters right of the caret that
    // overwrite mode may type over: none of a line end.
    qint64 OverwritableLength(qint64 count) const;
    void ApplyCodePage();
    bool AskBeforeLosing(const QString &text);
    // Makes sure the memory an edit needs is there before the text control
    // is touched: it cannot recover from running out half-way.
    void EnsureEditRoom(qint64 removed, qint64 inserted);
    void ApplyRecord(int token, bool forward);
    int ApplyNewRecord(std::vector<qint64> positions, qint64 m, const QByteArray &replacement);
    void MoveGapStep();
    void RunPendingRecords();
    void NoteChange();
    void OnModified(int type, int token);
    void OnUpdateUi(int updated);
    void ShowLongLinesBroken();
    void DropLoadedDocument();
    void RefuseChange();

    textfile::TEol m_eol = textfile::TEol::Crlf;
    TScrollStyle m_scrollBars = TScrollStyle::ssBoth;
    QFont m_font;
    QColor m_fontColor = Qt::black;
    QString m_hint;
    int m_helpContext = 0;
    bool m_wordWrap = false;
    bool m_wantTabs = false;
    bool m_wantReturns = true;
    bool m_hideSelection = true;
    bool m_plainText = true;
    bool m_overwrite = false;
    encoding::TEncoding m_encoding = encoding::TEncoding::Cp1252;
    encoding::TEncoding m_defaultEncoding = encoding::TEncoding::Cp1252;
    bool m_encodingFromDefault = true;
    // Conversions in the undo history, by token: the encodings before and after.
    std::map<int, std::pair<encoding::TEncoding, encoding::TEncoding>> m_conversions;
    quint32 m_nativeScanCode = 0;
    bool m_parentFont = true;
    bool m_forcedModified = false;
    bool m_applyingRecord = false;
    bool m_loadFailed = false;
    std::unique_ptr<TShownText> m_shown;
    void *m_loadedDocument = nullptr;
    bool m_refusalShown = false;
    bool m_changePending = false;
    bool m_inMouseMove = false;
    mutable bool m_dragStarted = false;
    // Replace-alls in the undo history, by the token the history holds.
    std::map<int, std::shared_ptr<const TReplaceRecord>> m_records;
    int m_lastRecord = 0;
    // Undone or redone replace-alls, applied once the control's undo or
    // redo has returned (the text cannot be changed from inside it).
    std::vector<std::pair<int, bool>> m_pendingRecords;
    bool m_ignoreRecords = false;
    qint64 m_capacity = 0;
    // Brings the text buffer's gap to the caret while nothing else happens.
    QTimer m_gapTimer;
    // The text's checksum while it is as it was loaded.
    std::optional<quint64> m_knownChecksum;
    bool m_movingGap = false;
    qint64 m_keyTimer = -1;
};

// Utility operations on any text control.
// The clipboard's text at the selection (see TXMemo::PasteText).
void PastePlainText(TXMemo *memo);
// Throw TEditorError with the German message on failure.
void LoadTextFile(TXMemo *memo, const QString &fileName);
void SaveTextFile(TXMemo *memo, const QString &fileName);
qint64 CaretLine(TXMemo *memo);
qint64 CaretColumn(TXMemo *memo);
// Puts the caret on line `line` (1-based), in the caret's column where the
// line is long enough.
void GoToLine(TXMemo *memo, qint64 line);
