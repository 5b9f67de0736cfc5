// libFuzzer target for what a later start sends to the running window: the
// message framing and the interpretation of the command line it carries.
#include "app/core/CommandLine.h"
#include "app/core/HandOver.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    handover::TMessage message;
    if (handover::Decode(bytes, message) != handover::TDecode::Complete)
        return 0;
    // What was decoded encodes and decodes to the same message.
    handover::TMessage again;
    if (handover::Decode(handover::Encode(message), again) != handover::TDecode::Complete
        || again.workingDir != message.workingDir || again.arguments != message.arguments)
        std::abort();
    // Names are only ever returned, never looked up on disk here.
    QStringList arguments;
    for (const QByteArray &argument : message.arguments)
        arguments << cmdline::FromLocal(argument);
    const auto actions =
        cmdline::InterpretHandedOver(arguments, QStringLiteral("/usr/bin/quillon"),
                                     cmdline::FromLocal(message.workingDir), [](const QString &) { return false; });
    for (const cmdline::TAction &action : actions) {
        if (action.kind == cmdline::TAction::IniFile || action.kind == cmdline::TAction::UnreachableIni
            || action.name.isEmpty())
            std::abort(); // a handed-over line never names a settings file or an empty file
    }
    return 0;
}
