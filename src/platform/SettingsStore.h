// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The two settings stores. Settings are strings addressed by program name, section
// and key. Call from the user-interface thread only.
//
// Per-user store: an INI file read and written through QSettings,
//   <user root>/<program>/<program>.ini, one group per section.
// Machine-wide store: stands in for the registry key
//   HKEY_LOCAL_MACHINE\SOFTWARE\<company>\<program>\<section>; all sections of one
//   program live in one file in registry-export form (see RegistryFile.h):
//   <machine root>/<company>/<program>.reg.
//   When this account cannot write that file, writes go to the per-user overlay
//   <user root>/VirtualStore/<company>/<program>.reg, and reads prefer a value the
//   overlay holds over the machine file's.
//
// Roots: <user root> is $OCELLUS_USER_SETTINGS_ROOT, else the generic configuration
// folder (~/.config); <machine root> is $OCELLUS_MACHINE_SETTINGS_ROOT, else /etc/xdg.
// They are read on every call. Company, program and section are trimmed of blanks;
// in file names "/", "\" and a name "." or ".." become "_".
//
// Every file is rewritten through a temporary file in the same folder and renamed
// into place, so a reader never sees a half-written file (the machine file and the
// overlay through AtomicFile::replace, which replaces a symbolic link in a file's place
// rather than writing through it).

// Per-user store. `defaultValue` when the value is absent or a name is blank; a
// failure to read is not reported.
QString userSetting(const QString &program, const QString &section, const QString &key,
                       const QString &defaultValue);

// Per-user store. Blank names or a failure to write are not reported; nothing is written.
void saveUserSetting(const QString &program, const QString &section, const QString &key,
                     const QString &value);

// Per-user lists of strings (any text, commas included); empty when absent.
QStringList userSettingList(const QString &program, const QString &section, const QString &key);
void saveUserSettingList(const QString &program, const QString &section, const QString &key,
                         const QStringList &values);

// Machine-wide store: the stored string, or `defaultValue` when the key or the value
// does not exist. Throws OperationError (source "SettingsStore"):
//   -2147220504 "AppName may not be empty"   program blank after trimming
//   -2147220503 "Section may not be empty"   section blank after trimming
//   -2147220502 "Key may not be empty"       key blank after trimming
//   -2147219504 + status "Could not open registry section": the overlay or the
//       machine file exists but cannot be read; status 5 (access denied) when this
//       account may not open it, 1009 (registry database corrupt) when it is not a
//       regular file, is over 1 MiB, cannot be read or does not parse.
//   -2147219504 + type "Registry data not a string": the value exists with another
//       type than REG_SZ (1), for instance REG_BINARY (3) or REG_DWORD (4).
QString machineSetting(const QString &program, const QString &section, const QString &key,
                          const QString &defaultValue);

// Machine-wide store: stores `value` as a string under `key` (the name is not
// trimmed; "" is the key's default value). Writes the machine file when this account
// can (creating its folder, readable by everyone), otherwise the overlay; a value
// the overlay held for this key is removed when the machine file takes the write.
// A blank program or section is skipped silently. When neither file can be written
// and the per-user setting "IgnorePermissionDeniedError" is not "1", the permission
// prompt is asked: Retry attempts the write again, Ignore stores
// "IgnorePermissionDeniedError" = "1" in the per-user store, Abort (and no prompt
// installed) gives up. A saved value reads back unchanged with machineSetting.
// A machine or overlay file that does not parse is never overwritten.
void saveMachineSetting(const QString &program, const QString &section, const QString &key,
                        const QString &value);

// The company part of the machine-wide key path (trimmed when used). Start-up sets it
// from the product identity before the first use. While it is empty the company part
// of the key path is empty too and the files lie directly in the machine root and in
// VirtualStore.
void setMachineSettingsCompany(const QString &company);
QString machineSettingsCompany();

enum class PermissionAnswer { Abort, Retry, Ignore };

// Asked by saveMachineSetting when nothing could be written; `title` is
// "Permission Denied" and `text` the explanation with the program name.
using PermissionPrompt = std::function<PermissionAnswer(const QString &title, const QString &text)>;

// Installs the prompt; an empty function removes it.
void setPermissionPrompt(PermissionPrompt prompt);

// The text of the permission prompt for `program` (line breaks are CR LF).
QString permissionDeniedText(const QString &program);

// The files in use for `program` under the current roots and company.
QString userSettingsFilePath(const QString &program);
QString machineSettingsFilePath(const QString &program);
QString machineOverlayFilePath(const QString &program);
