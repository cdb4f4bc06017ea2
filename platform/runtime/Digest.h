// A digest of a run of texts: the same texts in the same order give the same digest, and a
// change anywhere gives another, so that a state can be compared with one seen earlier without
// keeping a copy of it (a 256-bit cryptographic hash).
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {

class Digest {
public:
    Digest();
    ~Digest();
    Digest(const Digest&) = delete;
    Digest& operator=(const Digest&) = delete;

    // Adds a text, ended by character 255, which no text of the programs holds: no two runs of
    // texts give the same bytes.
    void Add(std::string_view text);
    // Ends a group of texts whose number varies (the rows of a list).
    void EndGroup();
    // The digest of everything added (32 bytes); the digest is then empty again.
    std::string Finish();

private:
    void Flush();

    struct Hash;
    std::unique_ptr<Hash> hash_;
    // The texts go to the hash a block at a time: many short texts cost less that way.
    std::string buffer_;
};

} // namespace platform
