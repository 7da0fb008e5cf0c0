// The codes of the notes that only the package checker raises, beside those of the walk and the
// file look-up (PackageNoteCodes.h). Stable: scripts may match them.
#pragma once

namespace check_code {

// Errors
inline constexpr char kImageTooLarge[] = "image-too-large";
inline constexpr char kImageUnreadable[] = "image-unreadable";
inline constexpr char kReservedName[] = "reserved-name";
inline constexpr char kDescriptionUnreadable[] = "description-unreadable";
inline constexpr char kDigestMismatch[] = "digest-mismatch";
inline constexpr char kDigestMissing[] = "digest-missing";
inline constexpr char kDigestUnlisted[] = "digest-unlisted";
inline constexpr char kManifestUnreadable[] = "manifest-unreadable";
inline constexpr char kManifestMalformed[] = "manifest-malformed";
inline constexpr char kManifestNotWritten[] = "manifest-not-written";
inline constexpr char kCameraMismatchEnds[] = "camera-mismatch-ends";
inline constexpr char kCameraUnknownModel[] = "camera-unknown-model";
inline constexpr char kCameraQueryFailed[] = "camera-query-failed";
inline constexpr char kCameraOpenRefused[] = "camera-open-refused";
// The description declares an encoding the reader cannot read: the updater takes nothing of it.
inline constexpr char kEncodingUnsupported[] = "encoding-unsupported";

// An error where CHECK is not ON (every camera is refused), else a warning.
inline constexpr char kDeviceNameUnknown[] = "device-name-unknown";

// Warnings
inline constexpr char kEmptyImage[] = "empty-image";
inline constexpr char kDuplicateSelector[] = "duplicate-selector";
inline constexpr char kCameraMismatchAsks[] = "camera-mismatch-asks";
// Bytes that are not valid in the encoding the description declares (a file saved as "ANSI" but
// declared UTF-8): the dialog shows U+FFFD for them.
inline constexpr char kEncodingMismatch[] = "encoding-mismatch";
// A FILENAME, or its wildcard, that picks the description or the manifest as an image.
inline constexpr char kPicksPackageFile[] = "picks-package-file";

// Information
inline constexpr char kFolderHint[] = "folder-hint";              // where the package probably is
inline constexpr char kManifestReplaced[] = "manifest-replaced";  // one that no longer matched

}  // namespace check_code
