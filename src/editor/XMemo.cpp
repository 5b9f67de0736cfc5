#include "editor/XMemo.h"

#include "editor/LongWork.h"
#include "platform/core/DiskIdentity.h"
#include "platform/core/EditorError.h"
#include "editor/core/Navigation.h"
#include "editor/core/RtfText.h"
#include "platform/AppTitle.h"
#include "platform/Dialogs.h"
#include "platform/DisplayFont.h"
#include "platform/ErrorDisplay.h"
#include "platform/core/Cp1252.h"
#include "platform/core/Utf8.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

// Scintilla's interface of a document loaded apart from any view; its header
// is not among those the Qt package installs. Not in the unnamed namespace:
// there the compiler would take it to have no implementation anywhere.
class TScintillaLoader
{
public:
    virtual int Release() = 0;
    virtual int AddData(const char *data, std::ptrdiff_t length) = 0;
    virtual void *ConvertToDocument() = 0;

protected:
    ~TScintillaLoader() = default;
};

// Its dynamic type is the library's, which the sanitizer's type check cannot
// match with the declaration above.
static __attribute__((no_sanitize("vptr"))) int AddToLoader(TScintillaLoader *loader, const char *data, qint64 length)
{
    return loader->AddData(data, length);
}

static __attribute__((no_sanitize("vptr"))) void *DocumentOfLoader(TScintillaLoader *loader)
{
    return loader->ConvertToDocument();
}

namespace {

constexpr qint64 kReadChunk = 4 << 20;

// Documents of plain text: no styles, and room for more than 2 GB.
constexpr long kDocumentOptions =
    QsciScintillaBase::SC_DOCUMENTOPTION_STYLES_NONE | QsciScintillaBase::SC_DOCUMENTOPTION_TEXT_LARGE;

// Wrapping measures every character through Qt's text layout (about 0.35 s
// per MB here), and a caret jump past the part already wrapped in the
// background makes Scintilla wrap everything up to it at once: 37 s at the
// end of 100 MB. Larger texts are shown unwrapped.
constexpr qint64 kMaxWrappedBytes = 2 << 20;

// Scintilla lays out a whole line at once, measuring every character, on
// showing the line and again on every key in it: here 0.11 s for a line of
// a quarter MB, 0.33 s for half a MB. Longer lines are shown in pieces of
// kShownPiece bytes instead.
constexpr qint64 kLongestLaidOutLine = 256 << 10;
constexpr qint64 kShownPiece = 200;

// Typing where the text buffer's gap is not moves the bytes between: 100 MB
// take 20 to 40 ms here. So the gap follows the caret in steps of this size
// (a few ms each) whenever the program is idle, and the next key finds it
// there.
constexpr qint64 kGapStep = 8 << 20;
constexpr qint64 kGapNear = 64 << 10;

// Whether `bytes` can be had now: the text control's own allocations are
// not undone when they fail, so they are tried here first.
void ProbeMemory(qint64 bytes)
{
    if (bytes <= 0)
        return;
    void *p = std::malloc(static_cast<std::size_t>(bytes));
    if (!p)
        throw std::bad_alloc();
    std::free(p);
}

// With QUILLON_KEY_TIMING naming a file, every key a text control gets is
// logged there with the milliseconds until it was handled and until the
// control was painted after it: how a user on a large file waits.
std::FILE *KeyTimingLog()
{
    static std::FILE *log = [] {
        const QByteArray path = qgetenv("QUILLON_KEY_TIMING");
        if (path.isEmpty())
            return static_cast<std::FILE *>(nullptr);
        // A regular file only: a FIFO or device named there must not block
        // or receive anything.
        const int fd = ::open(path.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0600);
        struct stat info = {};
        if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            if (fd >= 0)
                ::close(fd);
            return static_cast<std::FILE *>(nullptr);
        }
        return ::fdopen(fd, "a");
    }();
    return log;
}

QElapsedTimer &KeyClock()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock;
}

bool HasLocalFiles(const QMimeData *mime)
{
    if (!mime || !mime->hasUrls())
        return false;
    for (const QUrl &url : mime->urls()) {
        if (url.isLocalFile())
            return true;
    }
    return false;
}

int EolMode(textfile::TEol eol)
{
    switch (eol) {
    case textfile::TEol::Lf: return QsciScintillaBase::SC_EOL_LF;
    case textfile::TEol::Cr: return QsciScintillaBase::SC_EOL_CR;
    case textfile::TEol::Crlf: break;
    }
    return QsciScintillaBase::SC_EOL_CRLF;
}

} // namespace

TXMemo::TXMemo(QWidget *owner) : QsciScintillaBase(owner)
{
    m_font = font();
    ConfigureView();
    ConfigureDocument();
    connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int, int type, const char *, int, int, int, int, int, int token, int) { OnModified(type, token); });
    connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, &TXMemo::OnUpdateUi);
    connect(this, &QsciScintillaBase::SCN_MODIFYATTEMPTRO, this, &TXMemo::RefuseChange);
    m_gapTimer.setSingleShot(true);
    m_gapTimer.setInterval(0);
    connect(&m_gapTimer, &QTimer::timeout, this, &TXMemo::MoveGapStep);
}

TXMemo::~TXMemo()
{
    DropLoadedDocument();
}

void TXMemo::ConfigureView()
{
    for (unsigned long margin = 0; margin < 5; ++margin)
        SendScintilla(SCI_SETMARGINWIDTHN, margin, 0L);
    SendScintilla(SCI_SETMARGINLEFT, 0UL, 2L);
    // Insert and delete notifications would make QScintilla count the
    // characters from the start of the text on every key (seconds at the
    // end of 100 MB); the "before" ones are cheap and tell us the same.
    SendScintilla(SCI_SETMODEVENTMASK,
                  static_cast<unsigned long>(SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE | SC_MOD_CONTAINER));
    SendScintilla(SCI_SETPASTECONVERTENDINGS, 0UL);
    SendScintilla(SCI_SETSCROLLWIDTH, 1UL);
    SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1UL);
    SendScintilla(SCI_SETMULTIPLESELECTION, 0UL);
    SendScintilla(SCI_SETMOUSESELECTIONRECTANGULARSWITCH, 0UL);
    // Keys a plain text editor does not have: they would change text behind
    // the user's back (duplicate line, transpose, case change) or toggle an
    // overwrite mode the window does not show.
    const int ctrl = SCMOD_CTRL << 16, shift = SCMOD_SHIFT << 16;
    for (int key : {ctrl | 'D', ctrl | 'T', ctrl | 'U', ctrl | shift | 'U', ctrl | 'L', ctrl | shift | 'L',
                    ctrl | shift | 'T', int(SCK_INSERT)})
        SendScintilla(SCI_CLEARCMDKEY, static_cast<unsigned long>(key));
    SetScrollBars(m_scrollBars);
    ApplyWrap();
    ApplyFont();
}

void TXMemo::ConfigureDocument()
{
    ApplyCodePage();
    SendScintilla(SCI_SETTABWIDTH, 8UL);
    SendScintilla(SCI_SETUSETABS, 1UL);
    SendScintilla(SCI_SETEOLMODE, static_cast<unsigned long>(EolMode(m_eol)));
}

void TXMemo::ApplyCodePage()
{
    const bool utf8 = m_encoding == encoding::TEncoding::Utf8;
    SendScintilla(SCI_SETCODEPAGE, utf8 ? static_cast<unsigned long>(SC_CP_UTF8) : 0UL);
    // In UTF-8 the control knows the letters beyond ASCII itself; the
    // Windows-1252 letter bytes would be pieces of characters there.
    QByteArray words = cp1252::WordCharacters();
    if (utf8)
        words.erase(std::remove_if(words.begin(), words.end(), [](char c) { return uchar(c) >= 0x80; }), words.end());
    SendScintilla(SCI_SETWORDCHARS, 0UL, words.constData());
}

void TXMemo::SetEncoding(encoding::TEncoding encoding)
{
    m_encodingFromDefault = false;
    if (encoding == m_encoding)
        return;
    m_encoding = encoding;
    if (!m_shown) {
        ApplyCodePage();
        return;
    }
    // The extra breaks are placed anew: in UTF-8 none may fall inside a
    // character. The loaded document comes back to the view for that.
    void *loaded = m_loadedDocument;
    SendScintilla(SCI_ADDREFDOCUMENT, 0UL, loaded);
    DropLoadedDocument();
    SendScintilla(SCI_SETDOCPOINTER, 0UL, loaded);
    SendScintilla(SCI_RELEASEDOCUMENT, 0UL, loaded);
    ConfigureDocument();
    ShowLongLinesBroken();
}

void TXMemo::SetDefaultEncoding(encoding::TEncoding encoding)
{
    m_defaultEncoding = encoding;
    if (EncodingFromDefault() && m_encoding != encoding) {
        SetEncoding(encoding);
        m_encodingFromDefault = true;
    }
}

// What a load gathers while the bytes pass.
struct TXMemo::TReadState
{
    textfile::TEolCounter counter;
    encoding::TEncodingDetector detector;
    // Taken while the bytes pass anyway: a second pass over 1 GB would keep
    // the window from painting for 0.15 s once the load is done.
    diskidentity::TChecksum checksum;
    std::vector<char> buffer;
    bool readError = false;
    bool readAny = false;
    // The control no longer shows the text it had.
    bool swapped = false;

    // The next piece of the stream into the buffer; 0 at the end.
    qint64 Read(QIODevice &stream)
    {
        const qint64 got = stream.read(buffer.data(), qint64(buffer.size()));
        if (got < 0)
            readError = true;
        if (got > 0) {
            detector.Feed(buffer.data(), static_cast<std::size_t>(got));
            counter.Feed(buffer.data(), static_cast<std::size_t>(got));
            checksum.Feed(buffer.data(), static_cast<std::size_t>(got));
        }
        return std::max<qint64>(got, 0);
    }
};

void TXMemo::ReadTextFromStream(QIODevice &stream)
{
    const bool wasModified = Modified();
    const qint64 expected = stream.isSequential() ? 0 : std::max<qint64>(0, stream.size() - stream.pos());
    TReadState state;
    DropLoadedDocument();
    // A document filled apart from the view tells the view of no change.
    m_knownChecksum.reset();
    m_refusalShown = false;
    m_records.clear();
    m_conversions.clear();
    m_pendingRecords.clear();
    // To the end, whatever the size said: kernel files state 0 and have
    // content; the memory is the bound.
    // A large file shows its progress and can be given up with Escape.
    TLongWork progress(this, QStringLiteral("Laden"), expected, qobject_cast<QFileDevice *>(&stream) != nullptr);
    try {
        // A fresh document per load: no undo history and no styles to keep.
        // Its buffer is allocated once, with room for typing: growing it later
        // would copy the whole text on the first key.
        const qint64 room = expected + expected / 16 + 65536;
        state.buffer.resize(static_cast<std::size_t>(std::min(kReadChunk, std::max<qint64>(expected, 4096))));
        SendScintilla(SCI_SETWRAPMODE, static_cast<unsigned long>(SC_WRAP_NONE));
        if (progress.Active())
            ReadAside(stream, room, state, progress);
        else
            ReadInView(stream, room, state);
        m_capacity = room;
        if (progress.Cancelled()) {
            // Nothing of it stays, as for a file that could not be read.
            SendScintilla(SCI_CLEARALL);
            state.counter = textfile::TEolCounter();
            state.readError = true;
        }
        const encoding::TEncoding decided = state.detector.Result(m_defaultEncoding);
        // Only a text of ASCII alone comes out differently for both defaults.
        m_encodingFromDefault =
            state.detector.Result(encoding::TEncoding::Cp1252) != state.detector.Result(encoding::TEncoding::Utf8);
        if (decided != m_encoding || !state.readAny) {
            m_encoding = decided;
            ApplyCodePage();
        }
        if (state.counter.Longest() > std::uint64_t(kLongestLaidOutLine))
            ShowLongLinesBroken();
    } catch (const std::bad_alloc &) {
        DropLoadedDocument();
        // No memory for the file (the document is allocated at full size up
        // front): never leave a part of it behind, which a save would then
        // cut the file down to.
        SendScintilla(SCI_SETUNDOCOLLECTION, 1UL);
        if (state.swapped)
            SetText(QByteArray());
        throw;
    }
    SendScintilla(SCI_SETUNDOCOLLECTION, 1UL);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETSAVEPOINT);
    // The caret starts at the beginning: so does the gap, for the first key.
    if (const qint64 length = SendScintilla(SCI_GETLENGTH); length > 0)
        SendScintilla(SCI_GETRANGEPOINTER, 0UL, static_cast<long>(length + 1));
    m_forcedModified = wasModified;
    SetEol(state.counter.Dominant());
    ApplyWrap();
    if (state.readError)
        throw TEditorError(QStringLiteral("Laden des Streams ist mißlungen"));
    m_knownChecksum = state.checksum.Result();
}

// Changing the code page of a loaded text costs a pass over all of it (0.2
// to 0.3 s for 100 MB): the first piece nearly always tells, and the code
// page is set before the text.
void TXMemo::TakeFirstPiece(TReadState &state)
{
    state.readAny = true;
    m_encoding = state.detector.Result(m_defaultEncoding);
    ApplyCodePage();
}

void TXMemo::ReadInView(QIODevice &stream, qint64 room, TReadState &state)
{
    void *doc =
        reinterpret_cast<void *>(SendScintilla(SCI_CREATEDOCUMENT, static_cast<unsigned long>(room), kDocumentOptions));
    SendScintilla(SCI_SETDOCPOINTER, 0UL, doc);
    SendScintilla(SCI_RELEASEDOCUMENT, 0UL, doc);
    state.swapped = true;
    ConfigureDocument();
    SendScintilla(SCI_SETUNDOCOLLECTION, 0UL);
    while (const qint64 got = state.Read(stream)) {
        if (!state.readAny)
            TakeFirstPiece(state);
        SendScintilla(SCI_APPENDTEXT, static_cast<uintptr_t>(got), state.buffer.data());
    }
}

// A large file goes into a document of no view, on a thread of its own: the
// document's memory and its growing index of lines take fresh pages, 0.3 s
// for 100 MB and again for every 100 MB of lines here, which the window
// would otherwise wait for. The control shows an empty document meanwhile,
// and nothing the window does reaches the one being filled.
void TXMemo::ReadAside(QIODevice &stream, qint64 room, TReadState &state, TLongWork &progress)
{
    qint64 got = state.Read(stream);
    if (got > 0)
        TakeFirstPiece(state);
    TScintillaLoader *loader = nullptr;
    progress.Aside([&] {
        loader = reinterpret_cast<TScintillaLoader *>(
            SendScintilla(SCI_CREATELOADER, static_cast<unsigned long>(room), kDocumentOptions));
    });
    void *doc = DocumentOfLoader(loader);
    // The code page and the rest belong to the document: set while it is
    // empty, shown for a moment.
    SendScintilla(SCI_SETDOCPOINTER, 0UL, doc);
    state.swapped = true;
    ConfigureDocument();
    SendScintilla(SCI_SETDOCPOINTER, 0UL, 0L);
    std::atomic<qint64> loaded{0};
    try {
        progress.Aside(
            [&] {
                for (; got > 0 && !progress.Cancelled(); got = state.Read(stream)) {
                    if (AddToLoader(loader, state.buffer.data(), got) != SC_STATUS_OK)
                        throw std::bad_alloc();
                    loaded += got;
                }
            },
            &loaded);
    } catch (...) {
        SendScintilla(SCI_RELEASEDOCUMENT, 0UL, doc);
        throw;
    }
    SendScintilla(SCI_SETDOCPOINTER, 0UL, doc);
    SendScintilla(SCI_RELEASEDOCUMENT, 0UL, doc);
    SendScintilla(SCI_SETUNDOCOLLECTION, 0UL);
}

void TXMemo::WriteTextToStream(QIODevice &stream)
{
    const qint64 length = TextLength();
    const char *data = CharacterPointer();
    qint64 done = 0;
    while (done < length) {
        const qint64 written = stream.write(data + done, length - done);
        if (written <= 0)
            throw TEditorError(QStringLiteral("Speichern des Streams ist mißlungen"));
        done += written;
    }
    SetModified(false);
}

void TXMemo::ShowLongLinesBroken()
{
    // The loaded document goes on holding the file's bytes, unchanged and no
    // longer shown; the text as shown goes into a second one. No copy more.
    m_loadedDocument = reinterpret_cast<void *>(SendScintilla(SCI_GETDOCPOINTER));
    SendScintilla(SCI_ADDREFDOCUMENT, 0UL, m_loadedDocument);
    const char *loaded = static_cast<const char *>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
    m_shown = std::make_unique<TShownText>(QByteArray::fromRawData(loaded, SendScintilla(SCI_GETLENGTH)),
                                           kLongestLaidOutLine, kShownPiece, m_encoding == encoding::TEncoding::Utf8);
    const QByteArray &bytes = m_shown->Bytes();
    void *doc = reinterpret_cast<void *>(SendScintilla(SCI_CREATEDOCUMENT, 0UL, kDocumentOptions));
    SendScintilla(SCI_SETDOCPOINTER, 0UL, doc);
    SendScintilla(SCI_RELEASEDOCUMENT, 0UL, doc);
    ConfigureDocument();
    SendScintilla(SCI_SETUNDOCOLLECTION, 0UL);
    // Scintilla grows (copies) a buffer whose gap is merely as large as the
    // text to insert, so one byte more.
    SendScintilla(SCI_ALLOCATE, static_cast<unsigned long>(bytes.size() + m_shown->BreakCount() + 1));
    QByteArray chunk;
    const auto append = [this](const char *data, qint64 length) {
        SendScintilla(SCI_APPENDTEXT, static_cast<uintptr_t>(length), data);
    };
    qint64 from = 0;
    for (qint64 at : m_shown->Breaks()) {
        chunk.append(bytes.constData() + from, at - from).append('\n');
        from = at;
        if (chunk.size() >= (1 << 20)) {
            append(chunk.constData(), chunk.size());
            chunk.clear();
        }
    }
    chunk.append(bytes.constData() + from, bytes.size() - from);
    append(chunk.constData(), chunk.size());
    SendScintilla(SCI_SETREADONLY, 1UL);
}

void TXMemo::DropLoadedDocument()
{
    m_shown.reset(); // its bytes live in the loaded document
    if (m_loadedDocument)
        SendScintilla(SCI_RELEASEDOCUMENT, 0UL, m_loadedDocument);
    m_loadedDocument = nullptr;
}

void TXMemo::RefuseChange()
{
    if (m_refusalShown) {
        QApplication::beep();
        return;
    }
    m_refusalShown = true;
    // Not from inside Scintilla's notification: the box runs an event loop.
    QMetaObject::invokeMethod(
        this,
        [this] {
            dialogs::ShowMessage(this, apptitle::Title(),
                                 QStringLiteral("Diese Datei hat Zeilen mit mehr als %1 Zeichen und kann nur "
                                                "angesehen, nicht bearbeitet werden. Zur Anzeige sind die langen "
                                                "Zeilen umbrochen; gespeichert wird die Datei unverändert.")
                                     .arg(kLongestLaidOutLine),
                                 dialogs::TKind::Information);
        },
        Qt::QueuedConnection);
}

qint64 TXMemo::ShownPosition(qint64 position) const
{
    return m_shown ? m_shown->ShownFromReal(position) : position;
}

qint64 TXMemo::TextPosition(qint64 shownPosition) const
{
    return m_shown ? m_shown->RealFromShown(shownPosition) : shownPosition;
}

qint64 TXMemo::TextLength() const
{
    return m_shown ? m_shown->Bytes().size() : SendScintilla(SCI_GETLENGTH);
}

const char *TXMemo::CharacterPointer() const
{
    if (m_shown)
        return m_shown->Bytes().constData();
    return static_cast<const char *>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
}

QByteArray TXMemo::Text() const
{
    return QByteArray(CharacterPointer(), TextLength());
}

void TXMemo::SetText(const QByteArray &bytes)
{
    QByteArray copy(bytes);
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    ReadTextFromStream(buffer);
}

// In the two pieces either side of the text buffer's gap: asking for the
// whole text at once would move the gap, 100 MB copied on loading and again
// on the first key (about 10 ms for 100 MB this way).
quint64 TXMemo::Checksum() const
{
    if (m_knownChecksum)
        return *m_knownChecksum;
    const qint64 length = TextLength();
    if (m_shown)
        return diskidentity::Checksum(CharacterPointer(), std::size_t(length));
    const qint64 gap = std::clamp<qint64>(SendScintilla(SCI_GETGAPPOSITION), 0, length);
    diskidentity::TChecksum sum;
    for (const auto &[from, size] : {std::pair<qint64, qint64>{0, gap}, {gap, length - gap}}) {
        if (size > 0) {
            const auto *piece = reinterpret_cast<const char *>(
                SendScintilla(SCI_GETRANGEPOINTER, static_cast<unsigned long>(from), static_cast<long>(size)));
            sum.Feed(piece, std::size_t(size));
        }
    }
    return sum.Result();
}

QByteArray TXMemo::TextRange(qint64 start, qint64 end) const
{
    const qint64 length = TextLength();
    start = std::clamp<qint64>(start, 0, length);
    end = std::clamp<qint64>(end, start, length);
    if (m_shown)
        return m_shown->Bytes().mid(start, end - start);
    const char *p = static_cast<const char *>(reinterpret_cast<void *>(
        SendScintilla(SCI_GETRANGEPOINTER, static_cast<unsigned long>(start), static_cast<long>(end - start))));
    return QByteArray(p, end - start);
}

qint64 TXMemo::SelStart() const
{
    return TextPosition(SendScintilla(SCI_GETSELECTIONSTART));
}

qint64 TXMemo::SelLength() const
{
    return TextPosition(SendScintilla(SCI_GETSELECTIONEND)) - SelStart();
}

void TXMemo::SetSelStart(qint64 position)
{
    Select(position, 0);
}

void TXMemo::SetSelLength(qint64 length)
{
    Select(SelStart(), length);
}

void TXMemo::Select(qint64 start, qint64 length)
{
    const qint64 textLength = TextLength();
    start = std::clamp<qint64>(start, 0, textLength);
    qint64 end = std::clamp<qint64>(start + std::max<qint64>(length, 0), start, textLength);
    // A CR LF pair is one line break: a caret or a selection edge between
    // the two would let the next key split it. The start moves before the
    // pair, the end of a selection behind it.
    // Two bytes read where they are: the character pointer would move
    // Scintilla's gap, a copy of megabytes on every key.
    const auto byteAt = [this](qint64 p) {
        return m_shown ? m_shown->Bytes().at(p) : char(SendScintilla(SCI_GETCHARAT, static_cast<unsigned long>(p)));
    };
    const auto insideBreak = [&](qint64 p) {
        return p > 0 && p < textLength && byteAt(p - 1) == '\r' && byteAt(p) == '\n';
    };
    const bool caret = end == start;
    if (insideBreak(start))
        --start;
    if (caret)
        end = start;
    else if (insideBreak(end))
        ++end;
    SendScintilla(SCI_SETSEL, static_cast<unsigned long>(ShownPosition(start)), static_cast<long>(ShownPosition(end)));
}

QByteArray TXMemo::SelText() const
{
    const qint64 start = SelStart();
    return TextRange(start, start + SelLength());
}

void TXMemo::SetSelText(const QByteArray &bytes)
{
    if (m_shown) {
        RefuseChange();
        return;
    }
    // SCI_REPLACESEL stops at a NUL byte; replace by target instead.
    const qint64 start = SelStart();
    EnsureEditRoom(SelLength(), bytes.size());
    SendScintilla(SCI_SETTARGETRANGE, static_cast<unsigned long>(start), static_cast<long>(start + SelLength()));
    SendScintilla(SCI_REPLACETARGET, static_cast<uintptr_t>(bytes.size()), bytes.constData());
    const qint64 caret = start + bytes.size();
    SendScintilla(SCI_SETSEL, static_cast<unsigned long>(caret), static_cast<long>(caret));
    SendScintilla(SCI_SCROLLCARET);
}

bool TXMemo::Modified() const
{
    return m_forcedModified || m_applyingRecord || SendScintilla(SCI_GETMODIFY) != 0;
}

void TXMemo::SetModified(bool modified)
{
    if (modified) {
        m_forcedModified = true;
        return;
    }
    m_forcedModified = false;
    SendScintilla(SCI_SETSAVEPOINT);
}

qint64 TXMemo::LineFromChar(qint64 position) const
{
    if (position < 0)
        position = SelStart();
    const qint64 shownLine = SendScintilla(SCI_LINEFROMPOSITION, static_cast<unsigned long>(ShownPosition(position)));
    return m_shown ? shownLine - m_shown->BreaksUpTo(position) : shownLine;
}

qint64 TXMemo::LineIndex(qint64 line) const
{
    if (line < 0 || line >= LineCount())
        return -1;
    const qint64 shownLine = m_shown ? line + m_shown->BreaksBeforeLine(line) : line;
    return TextPosition(SendScintilla(SCI_POSITIONFROMLINE, static_cast<unsigned long>(shownLine)));
}

qint64 TXMemo::LineCount() const
{
    return SendScintilla(SCI_GETLINECOUNT) - (m_shown ? m_shown->BreakCount() : 0);
}

void TXMemo::BeginUndoAction()
{
    SendScintilla(SCI_BEGINUNDOACTION);
}

void TXMemo::EndUndoAction()
{
    SendScintilla(SCI_ENDUNDOACTION);
}

void TXMemo::ReplaceRange(qint64 from, qint64 to, const QByteArray &bytes)
{
    if (m_shown) {
        RefuseChange();
        return;
    }
    EnsureEditRoom(to - from, bytes.size());
    SendScintilla(SCI_SETTARGETRANGE, static_cast<unsigned long>(from), static_cast<long>(to));
    SendScintilla(SCI_REPLACETARGET, static_cast<uintptr_t>(bytes.size()), bytes.constData());
}

void TXMemo::EnsureEditRoom(qint64 removed, qint64 inserted)
{
    // The undo history keeps a copy of what goes and what comes.
    ProbeMemory(removed + inserted);
    const qint64 needed = TextLength() + inserted;
    if (needed <= m_capacity)
        return;
    // Growing the buffer ourselves, with room to spare, so the control
    // never has to grow it in the middle of an edit.
    const qint64 capacity = needed + needed / 16 + 65536;
    ProbeMemory(capacity);
    Allocate(capacity);
    m_capacity = capacity;
}

void TXMemo::Allocate(qint64 capacity)
{
    TLongWork *work = TLongWork::Current();
    if (!work || !work->Active()) {
        SendScintilla(SCI_ALLOCATE, static_cast<unsigned long>(capacity));
        return;
    }
    // Growing copies the text into fresh memory, 0.4 s for 100 MB here. It
    // is done on a thread of its own through a view nobody sees; this one
    // holds an empty document meanwhile, so nothing the window does in the
    // meantime reaches the text while it moves.
    void *doc = reinterpret_cast<void *>(SendScintilla(SCI_GETDOCPOINTER));
    SendScintilla(SCI_ADDREFDOCUMENT, 0UL, doc);
    const long anchor = SendScintilla(SCI_GETANCHOR);
    const long caret = SendScintilla(SCI_GETCURRENTPOS);
    const long firstLine = SendScintilla(SCI_GETFIRSTVISIBLELINE);
    const long xOffset = SendScintilla(SCI_GETXOFFSET);
    QsciScintillaBase mover;
    mover.SendScintilla(SCI_SETDOCPOINTER, 0UL, doc);
    SendScintilla(SCI_SETDOCPOINTER, 0UL, 0L);
    const auto back = [&] {
        SendScintilla(SCI_SETDOCPOINTER, 0UL, doc);
        SendScintilla(SCI_RELEASEDOCUMENT, 0UL, doc);
        SendScintilla(SCI_SETSEL, static_cast<unsigned long>(anchor), caret);
        SendScintilla(SCI_SETFIRSTVISIBLELINE, static_cast<unsigned long>(firstLine));
        SendScintilla(SCI_SETXOFFSET, static_cast<unsigned long>(xOffset));
    };
    try {
        work->Aside([&] { mover.SendScintilla(SCI_ALLOCATE, static_cast<unsigned long>(capacity)); });
    } catch (...) {
        back();
        throw;
    }
    back();
}

void TXMemo::ReplaceOccurrences(bool selection, qint64 m, const QByteArray &replacement,
                                const std::function<std::vector<qint64>()> &find)
{
    if (m_shown) {
        RefuseChange();
        return;
    }
    // Each part is made before the next is looked for, and the history
    // hears of them only at the end: making one keeps the history out,
    // which would end an undo step open around it.
    std::vector<int> tokens;
    const qint64 selStart = SelStart();
    const qint64 selLength = SelLength();
    try {
        if (selection && selLength > 0)
            tokens.push_back(ApplyNewRecord({selStart}, selLength, replacement));
        if (std::vector<qint64> positions = find(); !positions.empty())
            tokens.push_back(ApplyNewRecord(std::move(positions), m, replacement));
    } catch (...) {
        for (auto token = tokens.rbegin(); token != tokens.rend(); ++token) {
            ApplyRecord(*token, false);
            m_records.erase(*token);
        }
        Select(selStart, selLength);
        throw;
    }
    if (tokens.empty())
        return;
    // The history holds only tokens: undo and redo come back to us.
    BeginUndoAction();
    for (const int token : tokens)
        SendScintilla(SCI_ADDUNDOACTION, static_cast<unsigned long>(token), 0L);
    EndUndoAction();
    SendScintilla(SCI_SCROLLCARET);
}

int TXMemo::ApplyNewRecord(std::vector<qint64> positions, qint64 m, const QByteArray &replacement)
{
    // Everything that needs memory comes before the first change.
    QByteArray originals(qsizetype(positions.size()) * m, Qt::Uninitialized);
    const char *text = CharacterPointer();
    TLongWork *work = TLongWork::Current();
    for (std::size_t i = 0; i < positions.size(); ++i) {
        std::memcpy(originals.data() + qsizetype(i) * m, text + positions[i], std::size_t(m));
        if (work && i % (1 << 16) == 0)
            work->Step(0);
    }
    auto record = std::make_shared<const TReplaceRecord>(std::move(positions), std::move(originals), m, replacement);
    EnsureEditRoom(0, std::max<qint64>(record->Growth(), 0));
    const int token = ++m_lastRecord;
    m_records.emplace(token, record);
    ApplyRecord(token, true);
    SendScintilla(SCI_SETSEL, static_cast<unsigned long>(record->EndAfter()), static_cast<long>(record->EndAfter()));
    return token;
}

void TXMemo::ApplyRecord(int token, bool forward)
{
    const auto found = m_records.find(token);
    if (found == m_records.end())
        return;
    const TReplaceRecord &record = *found->second;
    // Changes kept out of the history leave its save point where it was:
    // while they are made, the text is no longer the saved one all the same.
    // The recovery journal would otherwise copy every change of a large text
    // as if it were typed into the file as loaded.
    m_applyingRecord = true;
    SendScintilla(SCI_SETUNDOCOLLECTION, 0UL);
    try {
        record.Apply(
            forward,
            [this](qint64 from, qint64 length) {
                return static_cast<const char *>(reinterpret_cast<void *>(
                    SendScintilla(SCI_GETRANGEPOINTER, static_cast<unsigned long>(from), static_cast<long>(length))));
            },
            [this](qint64 from, qint64 to, const char *bytes, qint64 length) {
                SendScintilla(SCI_SETTARGETRANGE, static_cast<unsigned long>(from), static_cast<long>(to));
                SendScintilla(SCI_REPLACETARGET, static_cast<uintptr_t>(length), bytes);
                if (TLongWork *work = TLongWork::Current())
                    work->Step(from);
            });
    } catch (...) {
        SendScintilla(SCI_SETUNDOCOLLECTION, 1UL);
        m_applyingRecord = false;
        throw;
    }
    SendScintilla(SCI_SETUNDOCOLLECTION, 1UL);
    m_applyingRecord = false;
}

bool TXMemo::ConvertTo(encoding::TEncoding target, encodedtext::TUnholdable *missing)
{
    if (m_shown) {
        RefuseChange();
        return false;
    }
    if (target == m_encoding)
        return true;
    const qint64 length = TextLength();
    QByteArray converted;
    if (target == encoding::TEncoding::Utf8)
        converted = encodedtext::Cp1252ToUtf8(CharacterPointer(), std::size_t(length));
    else if (!encodedtext::Utf8ToCp1252(CharacterPointer(), std::size_t(length), converted, missing))
        return false;
    EnsureEditRoom(length, converted.size());
    // The history holds a token beside the bytes: undo and redo come back
    // to us for the encoding the bytes are shown in.
    const int token = ++m_lastRecord;
    m_conversions.emplace(token, std::make_pair(m_encoding, target));
    BeginUndoAction();
    SendScintilla(SCI_SETTARGETRANGE, 0UL, static_cast<long>(length));
    SendScintilla(SCI_REPLACETARGET, static_cast<uintptr_t>(converted.size()), converted.constData());
    SendScintilla(SCI_ADDUNDOACTION, static_cast<unsigned long>(token), 0L);
    EndUndoAction();
    SetEncoding(target);
    SendScintilla(SCI_SETSEL, 0UL, 0L);
    SendScintilla(SCI_SCROLLCARET);
    return true;
}

qint64 TXMemo::CharacterCount(qint64 from, qint64 to) const
{
    if (to <= from)
        return 0;
    if (m_encoding != encoding::TEncoding::Utf8)
        return to - from;
    if (!m_shown)
        return SendScintilla(SCI_COUNTCHARACTERS, static_cast<unsigned long>(from), static_cast<long>(to));
    const auto *p = reinterpret_cast<const utf8::Byte *>(m_shown->Bytes().constData());
    return std::count_if(p + from, p + to, [](utf8::Byte b) { return !utf8::IsContinuation(b); });
}

QByteArray TXMemo::BytesFor(const QString &text) const
{
    return encodedtext::FromQString(text, m_encoding);
}

QString TXMemo::TextOf(const QByteArray &bytes) const
{
    return encodedtext::ToQString(bytes, m_encoding);
}

bool TXMemo::AskBeforeLosing(const QString &text)
{
    QByteArray bytes;
    if (m_encoding != encoding::TEncoding::Cp1252 || encodedtext::TryFromQString(text, m_encoding, bytes))
        return true;
    return dialogs::AskYesNo(this, QStringLiteral("Warnung"),
                             QStringLiteral("Die Zwischenablage enthält Zeichen, die in Windows-1252 nicht "
                                            "darstellbar sind. Trotzdem einfügen ?"),
                             dialogs::TKind::Warning);
}

bool TXMemo::PasteText(const QString &text)
{
    if (m_shown) {
        RefuseChange();
        return false;
    }
    if (!AskBeforeLosing(text))
        return false;
    SetSelText(BytesFor(text));
    return true;
}

void TXMemo::RunPendingRecords()
{
    if (m_pendingRecords.empty())
        return;
    // The history has moved past all of them already and can only be moved
    // back as a whole: the room for all of them comes before the first.
    const bool forward = m_pendingRecords.front().second;
    qint64 growth = 0;
    qint64 room = 0;
    bool replacing = false;
    for (const auto &pending : m_pendingRecords) {
        if (const auto found = m_records.find(pending.first); found != m_records.end()) {
            growth += pending.second ? found->second->Growth() : -found->second->Growth();
            room = std::max(room, growth);
            replacing = true;
        }
    }
    // Undoing a replace all in a large text takes seconds: the window shows
    // how far it has come.
    TLongWork work(this, forward ? QStringLiteral("Wiederholen") : QStringLiteral("Rückgängig"),
                   replacing ? TextLength() + room : 0, false);
    try {
        EnsureEditRoom(0, room);
    } catch (const std::bad_alloc &) {
        // Move the history back without touching the text, which stays as
        // it is.
        m_pendingRecords.clear();
        m_ignoreRecords = true;
        SendScintilla(forward ? SCI_UNDO : SCI_REDO);
        m_ignoreRecords = false;
        throw;
    }
    while (!m_pendingRecords.empty()) {
        const auto [token, redo] = m_pendingRecords.front();
        m_pendingRecords.erase(m_pendingRecords.begin());
        if (const auto conversion = m_conversions.find(token); conversion != m_conversions.end()) {
            SetEncoding(redo ? conversion->second.second : conversion->second.first);
            continue;
        }
        const auto found = m_records.find(token);
        if (found == m_records.end())
            continue;
        const std::shared_ptr<const TReplaceRecord> record = found->second;
        ApplyRecord(token, redo);
        const qint64 caret = redo ? record->EndAfter() : record->First();
        SendScintilla(SCI_SETSEL, static_cast<unsigned long>(caret), static_cast<long>(caret));
        SendScintilla(SCI_SCROLLCARET);
    }
}

void TXMemo::Undo()
{
    SendScintilla(SCI_UNDO);
    RunPendingRecords();
}

void TXMemo::Redo()
{
    SendScintilla(SCI_REDO);
    RunPendingRecords();
}

void TXMemo::CutToClipboard()
{
    SendScintilla(SCI_CUT);
}

void TXMemo::CopyToClipboard()
{
    SendScintilla(SCI_COPY);
}

void TXMemo::ClearSelection()
{
    SendScintilla(SCI_CLEAR);
}

void TXMemo::SetWordWrap(bool on)
{
    m_wordWrap = on;
    ApplyWrap();
}

void TXMemo::ApplyWrap()
{
    SendScintilla(SCI_SETWRAPMODE, static_cast<unsigned long>(WrapsLines() ? SC_WRAP_WORD : SC_WRAP_NONE));
}

bool TXMemo::WrapsLines() const
{
    return m_wordWrap && !m_shown && TextLength() <= kMaxWrappedBytes;
}

void TXMemo::SetScrollBars(TScrollStyle style)
{
    m_scrollBars = style;
    const bool horizontal = style == TScrollStyle::ssHorizontal || style == TScrollStyle::ssBoth;
    const bool vertical = style == TScrollStyle::ssVertical || style == TScrollStyle::ssBoth;
    SendScintilla(SCI_SETHSCROLLBAR, horizontal ? 1UL : 0UL);
    SendScintilla(SCI_SETVSCROLLBAR, vertical ? 1UL : 0UL);
}

void TXMemo::SetHideSelection(bool on)
{
    // Only the drawing of the selection changes; the text is never touched.
    m_hideSelection = on;
    SendScintilla(SCI_HIDESELECTION, (on && !hasFocus()) ? 1UL : 0UL);
}

void TXMemo::SetHint(const QString &hint)
{
    m_hint = hint;
    setStatusTip(hint);
}

void TXMemo::SetEditorFont(const QFont &font)
{
    m_parentFont = false;
    m_font = font;
    ApplyFont();
}

void TXMemo::ResetFont(const QFont &font)
{
    m_parentFont = true;
    m_font = font;
    ApplyFont();
}

void TXMemo::FollowFont(const QFont &font)
{
    if (!m_parentFont)
        return;
    m_font = font;
    ApplyFont();
}

void TXMemo::ApplyFont()
{
    const QFont shown = displayfont::Prepare(m_font);
    const QByteArray family = shown.family().toUtf8();
    SendScintilla(SCI_STYLESETFONT, static_cast<unsigned long>(STYLE_DEFAULT), family.constData());
    const double points = shown.pointSizeF() > 0 ? shown.pointSizeF() : 10.0;
    SendScintilla(SCI_STYLESETSIZEFRACTIONAL, static_cast<unsigned long>(STYLE_DEFAULT),
                  static_cast<long>(points * SC_FONT_SIZE_MULTIPLIER));
    SendScintilla(SCI_STYLESETWEIGHT, static_cast<unsigned long>(STYLE_DEFAULT),
                  static_cast<long>(shown.bold() ? SC_WEIGHT_BOLD : SC_WEIGHT_NORMAL));
    SendScintilla(SCI_STYLESETITALIC, static_cast<unsigned long>(STYLE_DEFAULT), shown.italic() ? 1L : 0L);
    SendScintilla(SCI_STYLESETUNDERLINE, static_cast<unsigned long>(STYLE_DEFAULT), shown.underline() ? 1L : 0L);
    SendScintilla(SCI_STYLESETFORE, static_cast<unsigned long>(STYLE_DEFAULT), m_fontColor);
    SendScintilla(SCI_STYLECLEARALL);
}

void TXMemo::SetFontColor(const QColor &color)
{
    m_fontColor = color;
    ApplyFont();
}

void TXMemo::SetEol(textfile::TEol eol)
{
    m_eol = eol;
    SendScintilla(SCI_SETEOLMODE, static_cast<unsigned long>(EolMode(eol)));
}

bool TXMemo::CanFocus() const
{
    return isEnabled() && focusPolicy() != Qt::NoFocus;
}

void TXMemo::TypeBytes(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    if (SelLength() > 0) {
        SetSelText(bytes);
        return;
    }
    if (m_overwrite && !m_shown) {
        const auto *p = reinterpret_cast<const utf8::Byte *>(bytes.constData());
        const qint64 characters =
            m_encoding == encoding::TEncoding::Utf8
                ? std::count_if(p, p + bytes.size(), [](utf8::Byte b) { return !utf8::IsContinuation(b); })
                : bytes.size();
        if (const qint64 over = OverwritableLength(characters); over > 0) {
            Select(SelStart(), over);
            SetSelText(bytes);
            return;
        }
    }
    // Appending at the caret lets Scintilla merge a run of typing into one
    // undo step, as typing in any editor does.
    EnsureEditRoom(0, bytes.size());
    SendScintilla(SCI_ADDTEXT, static_cast<uintptr_t>(bytes.size()), bytes.constData());
    SendScintilla(SCI_CHOOSECARETX);
    SendScintilla(SCI_SCROLLCARET);
}

qint64 TXMemo::OverwritableLength(qint64 count) const
{
    const qint64 start = SelStart();
    const qint64 length = TextLength();
    const bool utf8 = m_encoding == encoding::TEncoding::Utf8;
    qint64 at = start;
    for (qint64 n = 0; n < count && at < length; ++n) {
        const char byte = char(SendScintilla(SCI_GETCHARAT, static_cast<unsigned long>(at)));
        if (byte == '\r' || byte == '\n')
            break;
        // A whole character, never a piece of one.
        at = utf8 ? SendScintilla(SCI_POSITIONAFTER, static_cast<unsigned long>(at)) : at + 1;
    }
    return at - start;
}

void TXMemo::keyPressEvent(QKeyEvent *event)
{
    if (KeyTimingLog())
        m_keyTimer = KeyClock().nsecsElapsed();
    // A key is a command like any other: what goes wrong is reported, the
    // program and its texts stay.
    errordisplay::RunGuarded([&] {
        HandleKey(event);
        RunPendingRecords();
    });
    if (std::FILE *log = KeyTimingLog()) {
        std::fprintf(log, "key %d handled %.2f ms\n", event->key(), (KeyClock().nsecsElapsed() - m_keyTimer) / 1e6);
        std::fflush(log);
    }
}

void TXMemo::paintEvent(QPaintEvent *event)
{
    QsciScintillaBase::paintEvent(event);
    if (m_keyTimer >= 0 && KeyTimingLog()) {
        std::fprintf(KeyTimingLog(), "painted %.2f ms\n", (KeyClock().nsecsElapsed() - m_keyTimer) / 1e6);
        std::fflush(KeyTimingLog());
        m_keyTimer = -1;
    }
}

void TXMemo::HandleKey(QKeyEvent *event)
{
    m_nativeScanCode = event->nativeScanCode();
    int key = event->key();
    const Qt::KeyboardModifiers shift = event->modifiers();
    emit KeyDown(this, key, shift);
    if (key == 0) {
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        // Past the question before a Windows-1252 text loses characters;
        // as the control's own paste, nothing without text to paste.
        if (const QMimeData *mime = QApplication::clipboard()->mimeData(); canInsertFromMimeData(mime))
            PasteText(mime->text());
        event->accept();
        return;
    }
    const bool command = shift & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    auto press = [this](char c) {
        emit KeyPress(this, c);
        return c;
    };

    if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && !command) {
        if (!m_wantTabs) {
            QWidget::focusNextPrevChild(key == Qt::Key_Tab && !(shift & Qt::ShiftModifier));
        } else if (const char c = press('\t')) {
            TypeBytes(QByteArray(1, c));
        }
        event->accept();
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !command) {
        if (!m_wantReturns) {
            event->ignore();
            return;
        }
        const char c = press('\r');
        if (c == '\r') {
            // The line break takes the place of one byte, as any typed byte.
            if (m_overwrite && !m_shown && SelLength() == 0)
                Select(SelStart(), OverwritableLength(1));
            QsciScintillaBase::keyPressEvent(event);
        } else if (c)
            TypeBytes(QByteArray(1, c));
        event->accept();
        return;
    }
    if (key == Qt::Key_Backspace || key == Qt::Key_Escape) {
        if (!press(key == Qt::Key_Backspace ? '\b' : '\x1b')) {
            event->accept();
            return;
        }
        QsciScintillaBase::keyPressEvent(event);
        return;
    }

    const QString text = event->text();
    const bool typed = !text.isEmpty() && text.at(0).unicode() >= 0x20 && text.at(0).unicode() != 0x7f
                       && !((shift & Qt::ControlModifier) && !(shift & Qt::AltModifier));
    if (!typed) {
        if ((shift & Qt::ControlModifier) && !(shift & Qt::AltModifier) && !text.isEmpty()) {
            // Commands go by key code; the text of a Ctrl key ("2" for
            // Ctrl+2) must not be typed as well.
            QKeyEvent command(event->type(), event->key(), event->modifiers(), QString(), event->isAutoRepeat());
            QsciScintillaBase::keyPressEvent(&command);
            event->setAccepted(command.isAccepted());
            return;
        }
        QsciScintillaBase::keyPressEvent(event);
        return;
    }
    QByteArray bytes;
    if (!encodedtext::TryFromQString(text, m_encoding, bytes)) {
        // The file cannot hold the character: refuse it rather than
        // silently store something else.
        QApplication::beep();
        event->accept();
        return;
    }
    TypeBytes(PressEach(bytes));
    event->accept();
}

QByteArray TXMemo::PressEach(const QByteArray &bytes)
{
    QByteArray kept;
    const bool utf8 = m_encoding == encoding::TEncoding::Utf8;
    for (qint64 i = 0; i < bytes.size();) {
        const qint64 n = utf8 ? std::clamp<qint64>(utf8::LeadOf(utf8::Byte(bytes[i])).length, 1, bytes.size() - i) : 1;
        char c = bytes[i];
        emit KeyPress(this, c);
        if (c && n == 1)
            kept.append(c);
        else if (c)
            kept.append(bytes.constData() + i, n);
        i += n;
    }
    return kept;
}

void TXMemo::keyReleaseEvent(QKeyEvent *event)
{
    int key = event->key();
    QsciScintillaBase::keyReleaseEvent(event);
    if (!event->isAutoRepeat())
        emit KeyUp(this, key, event->modifiers());
}

void TXMemo::inputMethodEvent(QInputMethodEvent *event)
{
    if (event->commitString().isEmpty()) {
        QsciScintillaBase::inputMethodEvent(event);
        return;
    }
    QByteArray bytes;
    if (encodedtext::TryFromQString(event->commitString(), m_encoding, bytes)) {
        const QByteArray kept = PressEach(bytes);
        errordisplay::RunGuarded([&] { TypeBytes(kept); });
    } else {
        QApplication::beep();
    }
    event->accept();
}

void TXMemo::mousePressEvent(QMouseEvent *event)
{
    emit MouseDown(this, event);
    // The middle button pastes.
    errordisplay::RunGuarded([&] {
        if (event->button() == Qt::MiddleButton
            && !AskBeforeLosing(QApplication::clipboard()->text(QClipboard::Selection))) {
            event->accept();
            return;
        }
        QsciScintillaBase::mousePressEvent(event);
    });
}

void TXMemo::mouseMoveEvent(QMouseEvent *event)
{
    emit MouseMove(this, event);
    m_inMouseMove = true;
    QsciScintillaBase::mouseMoveEvent(event);
    m_inMouseMove = false;
    if (m_dragStarted) {
        m_dragStarted = false;
        emit EndDrag(this);
    }
}

void TXMemo::mouseReleaseEvent(QMouseEvent *event)
{
    QsciScintillaBase::mouseReleaseEvent(event);
    emit MouseUp(this, event);
}

void TXMemo::focusInEvent(QFocusEvent *event)
{
    QsciScintillaBase::focusInEvent(event);
    SendScintilla(SCI_HIDESELECTION, 0UL);
    emit Enter(this);
}

void TXMemo::focusOutEvent(QFocusEvent *event)
{
    QsciScintillaBase::focusOutEvent(event);
    if (m_hideSelection)
        SendScintilla(SCI_HIDESELECTION, 1UL);
    emit Exit(this);
}

void TXMemo::contextMenuEvent(QContextMenuEvent *event)
{
    // The owner's menu (the mirror of the button bar) is the context menu.
    event->ignore();
}

void TXMemo::dragEnterEvent(QDragEnterEvent *event)
{
    if (HasLocalFiles(event->mimeData())) {
        event->ignore(); // files are opened by the owner, not pasted as names
        return;
    }
    QsciScintillaBase::dragEnterEvent(event);
}

void TXMemo::dragMoveEvent(QDragMoveEvent *event)
{
    if (HasLocalFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    QsciScintillaBase::dragMoveEvent(event);
    emit DragOver(this, event);
}

void TXMemo::dropEvent(QDropEvent *event)
{
    if (HasLocalFiles(event->mimeData())) {
        event->ignore();
        return;
    }
    emit DragDrop(this, event);
    errordisplay::RunGuarded([&] {
        if (event->mimeData() && !AskBeforeLosing(event->mimeData()->text())) {
            event->ignore();
            return;
        }
        QsciScintillaBase::dropEvent(event);
    });
}

bool TXMemo::canInsertFromMimeData(const QMimeData *source) const
{
    return source && source->hasText() && !HasLocalFiles(source);
}

QByteArray TXMemo::fromMimeData(const QMimeData *source, bool &rectangular) const
{
    rectangular = false;
    return source ? BytesFor(source->text()) : QByteArray();
}

QMimeData *TXMemo::toMimeData(const QByteArray &text, bool rectangular) const
{
    Q_UNUSED(rectangular);
    auto *mime = new QMimeData;
    // Scintilla hands the selection as shown; the extra breaks are no text.
    mime->setText(TextOf(m_shown ? SelText() : text));
    if (m_inMouseMove && !m_dragStarted) {
        // Scintilla asks for the data right before it starts dragging.
        m_dragStarted = true;
        emit const_cast<TXMemo *>(this)->StartDrag(const_cast<TXMemo *>(this));
    }
    return mime;
}

void TXMemo::NoteChange()
{
    if (m_changePending)
        return;
    m_changePending = true;
    // The notification comes before the edit; report it once it is done.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_changePending = false;
            emit Change(this);
        },
        Qt::QueuedConnection);
}

void TXMemo::OnModified(int type, int token)
{
    if ((type & (SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE)) && !m_movingGap) {
        m_knownChecksum.reset();
        NoteChange();
    }
    // A replace-all reached by undo or redo.
    if ((type & SC_MOD_CONTAINER) && !m_ignoreRecords)
        m_pendingRecords.emplace_back(token, (type & SC_PERFORMED_REDO) != 0);
}

void TXMemo::MoveGapStep()
{
    // Long work lets timers run, and holds pointers into the text meanwhile.
    if (m_shown || SendScintilla(SCI_GETREADONLY) || !m_pendingRecords.empty() || TLongWork::Current())
        return;
    const qint64 caret = SendScintilla(SCI_GETCURRENTPOS);
    const qint64 anchor = SendScintilla(SCI_GETANCHOR);
    const qint64 gap = SendScintilla(SCI_GETGAPPOSITION);
    if (std::abs(caret - gap) <= kGapNear)
        return;
    if (caret < gap) {
        // A range across the gap moves it to the range's start, nothing else.
        const qint64 to = std::max(caret, gap - kGapStep);
        SendScintilla(SCI_GETRANGEPOINTER, static_cast<unsigned long>(to), static_cast<long>(gap - to + 1));
    } else {
        // Forwards only an edit moves it: one byte put back as it was, with
        // the undo history off. A selection end right behind the byte would
        // stay in front of it, so the byte is taken before any such end.
        qint64 at = std::min(caret, gap + kGapStep) - 2;
        const auto byteAt = [this](qint64 position) {
            return char(SendScintilla(SCI_GETCHARAT, static_cast<unsigned long>(position)));
        };
        // Not a line end either: taking it out would join two lines for a
        // moment, which makes the control redraw everything. In UTF-8 a
        // whole character: a piece of one would leave broken bytes behind
        // for a moment, and positions inside it that the control moves.
        const bool utf8 = m_encoding == encoding::TEncoding::Utf8;
        const auto startOf = [&](qint64 p) {
            for (int back = 0; utf8 && back < 3 && p > 0 && utf8::IsContinuation(utf8::Byte(byteAt(p))); ++back)
                --p;
            return p;
        };
        const auto lengthAt = [&](qint64 p) {
            return utf8 ? SendScintilla(SCI_POSITIONAFTER, static_cast<unsigned long>(p)) - p : qint64(1);
        };
        at = startOf(at);
        for (int i = 0; i < 8 && at > gap && (byteAt(at) == '\r' || byteAt(at) == '\n' || anchor == at + lengthAt(at));
             ++i)
            at = startOf(at - 1);
        const qint64 length = lengthAt(at);
        if (at < gap || anchor == at + length || length < 1 || length > 4)
            return;
        char bytes[4];
        for (qint64 i = 0; i < length; ++i)
            bytes[i] = byteAt(at + i);
        m_movingGap = true;
        SendScintilla(SCI_SETUNDOCOLLECTION, 0UL);
        SendScintilla(SCI_SETTARGETRANGE, static_cast<unsigned long>(at), static_cast<long>(at + length));
        SendScintilla(SCI_REPLACETARGET, static_cast<uintptr_t>(length), bytes);
        SendScintilla(SCI_SETUNDOCOLLECTION, 1UL);
        m_movingGap = false;
    }
    m_gapTimer.start();
}

void TXMemo::OnUpdateUi(int updated)
{
    if (!m_gapTimer.isActive())
        m_gapTimer.start();
    if (updated & SC_UPDATE_SELECTION)
        emit SelectionChange(this);
}

void PastePlainText(TXMemo *memo)
{
    memo->PasteText(QApplication::clipboard()->text());
}

void LoadTextFile(TXMemo *memo, const QString &fileName)
{
    const auto cannotOpen = [&] {
        return TEditorError(QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(fileName));
    };
    // Only regular files: opening a FIFO or a device would block or never end.
    const int fd = textfile::OpenRegularForReading(fileName);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        throw cannotOpen();
    }
    try {
        if (memo->PlainText()) {
            memo->ReadTextFromStream(file);
            return;
        }
        const QByteArray raw = file.readAll();
        QByteArray text;
        memo->SetText(rtf::ReadRtf(raw, text) ? text : raw);
    } catch (const std::bad_alloc &) {
        throw TFileTooLarge(
            QStringLiteral("Datei %1 kann nicht geöffnet werden: zu wenig Arbeitsspeicher").arg(fileName));
    }
}

void SaveTextFile(TXMemo *memo, const QString &fileName)
{
    using textfile::TSaveResult;
    TSaveResult result;
    QString keptCopy;
    if (memo->PlainText()) {
        result = textfile::SaveBytes(fileName, memo->CharacterPointer(), static_cast<std::size_t>(memo->TextLength()),
                                     &keptCopy);
    } else {
        const QFont font = memo->EditorFont();
        const QByteArray rtfText =
            rtf::WriteRtf(memo->Text(), font.family().toUtf8(), font.pointSize() > 0 ? font.pointSize() : 10);
        result =
            textfile::SaveBytes(fileName, rtfText.constData(), static_cast<std::size_t>(rtfText.size()), &keptCopy);
    }
    if (result != TSaveResult::Ok)
        throw TEditorError(textfile::SaveErrorMessage(result, fileName, keptCopy));
}

qint64 CaretLine(TXMemo *memo)
{
    return memo->LineFromChar(-1) + 1;
}

qint64 CaretColumn(TXMemo *memo)
{
    return memo->CharacterCount(memo->LineIndex(CaretLine(memo) - 1), memo->SelStart()) + 1;
}

void GoToLine(TXMemo *memo, qint64 line)
{
    const qint64 column = CaretColumn(memo);
    line = std::max<qint64>(line, 1);
    memo->SetSelStart(navigation::LineCaret(memo->CharacterPointer(), memo->TextLength(), column,
                                            memo->LineIndex(line - 1), memo->LineIndex(line), memo->Encoding()));
}
