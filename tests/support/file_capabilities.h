#pragma once

// Root opens and writes any file whatever its mode bits; a test of a refusal drops that power first.
// Capabilities belong to the calling thread only, so drop them on the thread that does the file work.

// Drops the capabilities that override file permissions for the rest of this thread (for a child
// process that exits afterwards). False when the kernel refused.
bool DropFileCapabilities();

// Clears the same capabilities from the effective set while it lives and raises them again after,
// so that the test can clean up. isValid() is false when the kernel refused.
class FileCapabilitiesSuspended {
public:
    FileCapabilitiesSuspended();
    ~FileCapabilitiesSuspended();
    FileCapabilitiesSuspended(const FileCapabilitiesSuspended&) = delete;
    FileCapabilitiesSuspended& operator=(const FileCapabilitiesSuspended&) = delete;

    bool isValid() const { return valid_; }

private:
    bool valid_ = false;
};
