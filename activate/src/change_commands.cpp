#include "change_commands.h"

#include <windows.h>

#include <stdexcept>

#include <boost/algorithm/string/join.hpp>

#include "application.h"
#include "text_conversion.h"
#include "user_environment.h"

namespace activate {
namespace {

const char* const extensionsVariable = "HALCONEXTENSIONS";

const char* const confirmationOpening = "Continue to perform the following changes to your user environment:\n\n";
const char* const newValueLine = " - new environment variable HALCONEXTENSIONS will be: ";
const char* const removeVariableLine = " - remove environment variable HALCONEXTENSIONS";
const char* const doneText =
    "Done.\n\nPlease remember to restart every process running HALCON and any IDE (e.g. Visual Studio) that might "
    "still be using old environment settings.";
const char* const changedMeanwhileText =
    "The environment variable HALCONEXTENSIONS was changed by another program while this change waited for your "
    "answer, so nothing was changed.\nPlease run the command again to see the changes it would make now.";

// The lines hold entries in UTF-8; the boxes show text in the ANSI code
// page. ASCII passes unchanged, other characters as the code page has them;
// text that is not UTF-8 is shown as it is.
std::string boxText(const std::string& utf8) {
    std::wstring wide;
    try {
        wide = toUtf16(utf8);
    } catch (const std::range_error&) {
        return utf8;
    }
    if (wide.empty()) return {};
    const int length =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0) return utf8;
    std::string ansi(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &ansi[0], length, nullptr, nullptr);
    return ansi;
}

int showBox(const std::string& utf8Text, UINT type) {
    return MessageBoxA(nullptr, boxText(utf8Text).c_str(), toolTitle().c_str(), type);
}

// Shows the change and, on Yes, writes it. With `valuePlannedFrom` given,
// the value is read again first: a change made by another program since the
// plan would otherwise be overwritten without a word. The write keeps the
// type the value has, so that %VARIABLE% references in it stay references.
void confirmThenWrite(const ExtensionList& list, ChangeLines lines, const std::string* valuePlannedFrom) {
    UserEnvironmentValue planned{joinExtensionList(list), false};
    lines.emplace_back();
    lines.push_back(list.empty() ? std::string(removeVariableLine) : newValueLine + planned.text);
    if (showBox(confirmationOpening + boost::algorithm::join(lines, "\n"), MB_YESNO) != IDYES) return;

    if (valuePlannedFrom) {
        const UserEnvironmentValue now = readUserEnvironment(extensionsVariable);
        if (now.text != *valuePlannedFrom) throw std::runtime_error(changedMeanwhileText);
        planned.expandable = now.expandable;
    }
    writeUserEnvironmentValue(extensionsVariable, planned);
    showBox(doneText, MB_OK);
}

}  // namespace

void confirmAndApply(const ExtensionList& list, ChangeLines lines) {
    const std::string valueBeforeAsking = readUserEnvironmentValue(extensionsVariable);
    confirmThenWrite(list, std::move(lines), &valueBeforeAsking);
}

void confirmAndApply(const ExtensionList& list, ChangeLines lines, const std::string& valuePlannedFrom) {
    confirmThenWrite(list, std::move(lines), &valuePlannedFrom);
}

void activatePackage(const ToolState& state) {
    const UserEnvironmentValue current = readExtensionsValue();
    ChangeLines lines;
    const ExtensionList list = planActivation(state, current, lines);
    confirmAndApply(list, std::move(lines), current.text);
}

void deactivatePackage(const ToolState& state) {
    const UserEnvironmentValue current = readExtensionsValue();
    ChangeLines lines;
    const ExtensionList list = planDeactivation(state, current, lines);
    confirmAndApply(list, std::move(lines), current.text);
}

// Reset all removes every entry whatever the value holds, so a change made
// meanwhile is covered by what the user agreed to; the value is not read,
// and a deletion needs no type.
void resetAllExtensions() {
    ChangeLines lines;
    const ExtensionList list = planResetAll(lines);
    confirmThenWrite(list, std::move(lines), nullptr);
}

}  // namespace activate
