#include "check/checks/ExportChecks.h"

#include "device/ProcedureTable.h"

#include <algorithm>
#include <cctype>

namespace {

bool Contains(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The decorated export standing for name, or "".
std::string DecoratedFormOf(const std::vector<std::string>& names, const std::string& name)
{
    for (const std::string& exported : names)
        if (exported != name && UndecoratedName(exported) == name)
            return exported;
    return std::string();
}

bool IsKnownProcedure(const std::string& name)
{
    for (int id = 0; id < TAVRO_PROCEDURE_COUNT; ++id)
        if (name == GetProcedureName(id))
            return true;
    return false;
}

std::string Join(const std::vector<std::string>& items)
{
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : ", ") + item;
    return text;
}

CheckOutcome RequiredOutcome(const std::vector<std::string>& names)
{
    std::vector<std::string> missing, decorated;
    for (int id = 0; id < TAVRO_PROCEDURE_COUNT; ++id) {
        const std::string name = GetProcedureName(id);
        if (!IsRequiredProcedure(id) || Contains(names, name))
            continue;
        const std::string form = DecoratedFormOf(names, name);
        if (form.empty())
            missing.push_back(name);
        else
            decorated.push_back(name + " (exported as " + form + ")");
    }
    if (missing.empty() && decorated.empty())
        return {CheckVerdict::Pass, "all 13 required exports present, undecorated"};
    std::string message;
    if (!missing.empty())
        message = "missing: " + Join(missing);
    if (!decorated.empty())
        message += (message.empty() ? "" : "; ") + std::string("decorated: ") + Join(decorated);
    return {CheckVerdict::Fail, message};
}

CheckOutcome VersionOutcome(const std::vector<std::string>& names)
{
    const std::string name = GetProcedureName(TavroProc_GetDeviceLibraryVersion);
    if (Contains(names, name))
        return {CheckVerdict::Pass, name + " present, undecorated"};
    const std::string form = DecoratedFormOf(names, name);
    if (!form.empty())
        return {CheckVerdict::Fail, name + " decorated: exported as " + form};
    return {CheckVerdict::Warning, name + " not exported (optional: hosts report version 0)"};
}

CheckOutcome UnknownOutcome(const std::vector<std::string>& names)
{
    std::vector<std::string> unknown;
    for (const std::string& exported : names) {
        const std::string plain = UndecoratedName(exported);
        if (plain.compare(0, 6, "Tavro_") == 0 && !IsKnownProcedure(plain))
            unknown.push_back(exported);
    }
    if (unknown.empty())
        return {CheckVerdict::Pass, std::to_string(names.size()) + " exports, no unknown Tavro_ export"};
    return {CheckVerdict::Warning, "Tavro_ exports the interface does not know: " + Join(unknown)};
}

}  // namespace

std::string UndecoratedName(const std::string& name)
{
    std::string plain = name;
    if (!plain.empty() && (plain[0] == '_' || plain[0] == '@'))
        plain.erase(0, 1);
    const size_t at = plain.rfind('@');
    if (at != std::string::npos && at + 1 < plain.size() &&
        std::all_of(plain.begin() + static_cast<std::ptrdiff_t>(at) + 1, plain.end(),
                    [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }))
        plain.erase(at);
    return plain;
}

ExportOutcomes CheckExportNames(const std::vector<std::string>& names)
{
    return {RequiredOutcome(names), VersionOutcome(names), UnknownOutcome(names)};
}
