#include "tokens.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QRandomGenerator>
#include <cctype>

namespace zef::remote {

TokenHash HashToken(std::string_view token) {
    const QByteArray digest = QCryptographicHash::hash(
        QByteArrayView(token.data(), static_cast<qsizetype>(token.size())), QCryptographicHash::Sha256);
    TokenHash hash{};
    std::copy(digest.begin(), digest.end(), hash.begin());
    return hash;
}

std::string HashHex(const TokenHash& hash) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t b : hash) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<TokenHash> ParseHashHex(std::string_view text) {
    TokenHash hash{};
    if (text.size() != 2 * hash.size()) return std::nullopt;
    for (std::size_t i = 0; i < hash.size(); ++i) {
        const int hi = HexDigit(text[2 * i]);
        const int lo = HexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        hash[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return hash;
}

std::string NewToken() {
    QByteArray bytes(32, 0);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals).toStdString();
}

bool SameHash(const TokenHash& a, const TokenHash& b) {
    std::uint8_t diff = 0;
    for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<std::uint8_t>(a[i] ^ b[i]);
    // The volatile read keeps the compiler from ending the loop at the first difference.
    volatile std::uint8_t result = diff;
    return result == 0;
}

Access TokenTable::Check(std::string_view token) const {
    if (token.empty()) return Access::None;
    const TokenHash presented = HashToken(token);
    Access found = Access::None;
    for (const TokenEntry& e : entries_) {
        // Every entry is compared, a match or not.
        if (SameHash(presented, e.hash) && found == Access::None) found = e.access;
    }
    return found;
}

std::string BearerToken(std::string_view headerValue) {
    static constexpr std::string_view kScheme = "Bearer ";
    if (headerValue.size() <= kScheme.size()) return {};
    for (std::size_t i = 0; i < kScheme.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(headerValue[i])) !=
            std::tolower(static_cast<unsigned char>(kScheme[i])))
            return {};
    std::string_view token = headerValue.substr(kScheme.size());
    while (!token.empty() && token.back() == ' ') token.remove_suffix(1);
    while (!token.empty() && token.front() == ' ') token.remove_prefix(1);
    return std::string(token);
}

}  // namespace zef::remote
