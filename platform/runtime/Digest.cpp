#include "platform/runtime/Digest.h"

#include <QCryptographicHash>

namespace platform {

namespace {

constexpr std::size_t kBlock = 64 * 1024;

} // namespace

struct Digest::Hash {
    QCryptographicHash hash{QCryptographicHash::Blake2b_256};
};

Digest::Digest() : hash_(std::make_unique<Hash>()) {
    buffer_.reserve(2 * kBlock);
}

Digest::~Digest() = default;

void Digest::Add(std::string_view text) {
    buffer_.append(text);
    buffer_ += '\xff';
    if (buffer_.size() >= kBlock)
        Flush();
}

void Digest::EndGroup() {
    buffer_ += '\n';
}

void Digest::Flush() {
    hash_->hash.addData(QByteArrayView(buffer_.data(), static_cast<qsizetype>(buffer_.size())));
    buffer_.clear();
}

std::string Digest::Finish() {
    Flush();
    const QByteArray digest = hash_->hash.result();
    hash_->hash.reset();
    return std::string(digest.constData(), static_cast<std::size_t>(digest.size()));
}

} // namespace platform
