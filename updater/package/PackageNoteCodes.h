// The codes of the notes that the package walk and the file look-up send through PackageSink.
// They are stable: the package checker prints them and scripts may match them.
#pragma once

namespace note_code {

// Errors
inline constexpr char kUnreadable[] = "unreadable";  // the description cannot be opened or read
inline constexpr char kWalkStopped[] = "walk-stopped";
inline constexpr char kReadFailed[] = "read-failed";  // the walk's read failed part-way
inline constexpr char kNoEntryFound[] = "no-entry-found";

// Warnings
inline constexpr char kFileMissing[] = "file-missing";  // no file matches FILENAME
inline constexpr char kNoFileName[] = "no-filename";
inline constexpr char kUnknownElement[] = "unknown-element";
inline constexpr char kUnknownAttribute[] = "unknown-attribute";
inline constexpr char kIdOutOfRange[] = "id-out-of-range";
inline constexpr char kDuplicateId[] = "duplicate-id";
inline constexpr char kSelectorNotDecimal[] = "selector-not-decimal";
inline constexpr char kSelectorTruncated[] = "selector-truncated";
inline constexpr char kTimeoutDefaulted[] = "timeout-defaulted";
inline constexpr char kTimeoutTrailingText[] = "timeout-trailing-text";
inline constexpr char kTimeoutHeld[] = "timeout-held";
inline constexpr char kToolTipCut[] = "tooltip-cut";
inline constexpr char kFileNameRefused[] = "filename-refused";
inline constexpr char kFileNameTooLong[] = "filename-too-long";
inline constexpr char kFolderPassedOver[] = "folder-passed-over";
inline constexpr char kSeveralMatches[] = "several-matches";
inline constexpr char kKeywordCase[] = "keyword-case";
inline constexpr char kSelfClosedContainer[] = "self-closed-container";
inline constexpr char kOutsideContainer[] = "outside-container";
inline constexpr char kNoTitle[] = "no-title";
inline constexpr char kNoDeviceName[] = "no-device-name";

// Information
inline constexpr char kRebootIgnored[] = "reboot-ignored";

}  // namespace note_code
