#include "protected_folder.h"

#include <aclapi.h>
#include <sddl.h>

namespace {

// Owner Administrators; full control for SYSTEM and Administrators, passed
// on to everything made inside; nothing inherited from the parent (P).
constexpr char ProtectedAccess[] = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// The rights by which a folder, or what it holds, can be changed.
constexpr DWORD ChangingRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                                 FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE |
                                 GENERIC_ALL | MAXIMUM_ALLOWED;

// Whether `sid` is the user this process runs as, under Wine only (see the
// header): Windows never gets here with that user counted.
bool is_wine_user(PSID sid) {
  HMODULE system = GetModuleHandleA("ntdll.dll");
  if (system == NULL || GetProcAddress(system, "wine_get_version") == NULL) return false;
  HANDLE token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  union {
    TOKEN_USER user;
    BYTE bytes[128];  // the user's SID follows the structure
  } data;
  DWORD size = 0;
  bool same =
      GetTokenInformation(token, TokenUser, &data, sizeof data, &size) && EqualSid(sid, data.user.User.Sid);
  CloseHandle(token);
  return same;
}

bool is_administrators_or_system(PSID sid) {
  return sid != NULL && (IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
                         IsWellKnownSid(sid, WinLocalSystemSid) || is_wine_user(sid));
}

}  // namespace

bool only_administrators_may_change(PSECURITY_DESCRIPTOR descriptor) {
  PSID owner = NULL;
  BOOL present = FALSE, defaulted = FALSE;
  ACL *list = NULL;
  if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !is_administrators_or_system(owner) ||
      !GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted) || !present || list == NULL)
    return false;  // no access list at all lets everyone do everything
  for (DWORD index = 0; index < list->AceCount; ++index) {
    ACE_HEADER *entry;
    if (!GetAce(list, index, reinterpret_cast<void **>(&entry))) return false;
    if (entry->AceType == ACCESS_DENIED_ACE_TYPE) continue;  // takes rights away only
    // Kinds of entries not read here might grant anything.
    if (entry->AceType != ACCESS_ALLOWED_ACE_TYPE) return false;
    ACCESS_ALLOWED_ACE *allowed = reinterpret_cast<ACCESS_ALLOWED_ACE *>(entry);
    if ((allowed->Mask & ChangingRights) != 0 && !is_administrators_or_system(&allowed->SidStart))
      return false;
  }
  return true;
}

bool is_protected_folder(const char *path) {
  // Judged on the folder itself, opened without following a junction or
  // link: through one, the access list read would be its target's.
  HANDLE folder = CreateFileA(path, READ_CONTROL | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
  if (folder == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION details;
  PSECURITY_DESCRIPTOR descriptor = NULL;
  bool ours = GetFileInformationByHandle(folder, &details) &&
              (details.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
                  FILE_ATTRIBUTE_DIRECTORY &&
              GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              NULL, NULL, NULL, NULL, &descriptor) == ERROR_SUCCESS &&
              only_administrators_may_change(descriptor);
  if (descriptor != NULL) LocalFree(descriptor);
  CloseHandle(folder);
  return ours;
}

bool make_protected_folder(const char *path) {
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, NULL, FALSE};
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(ProtectedAccess, SDDL_REVISION_1,
                                                            &attributes.lpSecurityDescriptor, NULL))
    return false;
  // One already there is judged as it is, below.
  if (CreateDirectoryA(path, &attributes)) SetFileAttributesA(path, FILE_ATTRIBUTE_HIDDEN);
  LocalFree(attributes.lpSecurityDescriptor);
  return is_protected_folder(path);
}
