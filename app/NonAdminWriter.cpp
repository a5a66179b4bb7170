#include "app/NonAdminWriter.h"

namespace {

const ACCESS_MASK kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | WRITE_DAC | WRITE_OWNER;

struct Candidate {
    NonAdminPrincipal principal;
    WELL_KNOWN_SID_TYPE sid;
    const char* name;
};

// Broadest first, so that the name printed covers the most accounts.
const Candidate kCandidates[] = {
    {NonAdminPrincipal::Everyone, WinWorldSid, "Everyone"},
    {NonAdminPrincipal::AuthenticatedUsers, WinAuthenticatedUserSid, "NT AUTHORITY\\Authenticated Users"},
    {NonAdminPrincipal::Users, WinBuiltinUsersSid, "BUILTIN\\Users"},
    {NonAdminPrincipal::Interactive, WinInteractiveSid, "NT AUTHORITY\\INTERACTIVE"},
};

// The file rights a mask stands for, its generic rights mapped.
ACCESS_MASK FileRights(ACCESS_MASK mask)
{
    GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                               FILE_ALL_ACCESS};
    MapGenericMask(&mask, &mapping);
    return mask;
}

bool AppliesTo(PSID aceSid, WELL_KNOWN_SID_TYPE principal)
{
    return IsWellKnownSid(aceSid, principal) || IsWellKnownSid(aceSid, WinWorldSid);
}

// Allowed and denied entries share one layout: header, mask, SID.
ACCESS_MASK GrantedRights(PACL dacl, WELL_KNOWN_SID_TYPE principal)
{
    ACCESS_MASK granted = 0;
    ACCESS_MASK denied = 0;
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        void* entry = nullptr;
        if (!GetAce(dacl, index, &entry))
            break;
        const ACE_HEADER* header = static_cast<const ACE_HEADER*>(entry);
        ACCESS_ALLOWED_ACE* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        if ((header->AceFlags & INHERIT_ONLY_ACE) || !AppliesTo(&ace->SidStart, principal))
            continue;
        if (header->AceType == ACCESS_ALLOWED_ACE_TYPE)
            granted |= FileRights(ace->Mask) & ~denied;
        else if (header->AceType == ACCESS_DENIED_ACE_TYPE)
            denied |= FileRights(ace->Mask) & ~granted;
    }
    return granted;
}

}  // namespace

NonAdminPrincipal FindNonAdminWriter(PSECURITY_DESCRIPTOR descriptor)
{
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted))
        return NonAdminPrincipal::None;
    if (!present || !dacl)
        return NonAdminPrincipal::Everyone;
    for (const Candidate& candidate : kCandidates) {
        if (GrantedRights(dacl, candidate.sid) & kWriteRights)
            return candidate.principal;
    }
    return NonAdminPrincipal::None;
}

const char* NonAdminPrincipalName(NonAdminPrincipal principal)
{
    for (const Candidate& candidate : kCandidates) {
        if (candidate.principal == principal)
            return candidate.name;
    }
    return "";
}
