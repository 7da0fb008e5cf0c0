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

// An error where CHECK is not ON (every camera is refused), else a warning.
inline constexpr char kDeviceNameUnknown[] = "device-name-unknown";

// Warnings
inline constexpr char kEmptyImage[] = "empty-image";
inline constexpr char kDuplicateSelector[] = "duplicate-selector";
inline constexpr char kCameraMismatchAsks[] = "camera-mismatch-asks";

}  // namespace check_code
