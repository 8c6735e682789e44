#pragma once
// Access tokens of the remote interfaces. The configuration keeps only the
// SHA-256 of each token (64 hex digits), never the token: a token is a long
// random string (NewToken), so a plain hash is enough to make a stolen
// configuration useless, unlike a password, which would need a slow key
// derivation. A presented token is hashed and compared with every kept hash
// in constant time — the comparison takes as long whether the first or the
// last byte differs, and every entry is compared — so that the time of an
// answer tells nothing about a kept hash.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zef::remote {

enum class Access { None, Read, Write };

using TokenHash = std::array<std::uint8_t, 32>;

// SHA-256 of the token's bytes.
TokenHash HashToken(std::string_view token);
std::string HashHex(const TokenHash& hash);
// 64 hex digits (either case); nullopt for anything else.
std::optional<TokenHash> ParseHashHex(std::string_view text);
// A new token: 32 random bytes from the system's generator as 43 characters of base64url.
std::string NewToken();
// True when the two are equal, in a time that does not depend on where they differ.
bool SameHash(const TokenHash& a, const TokenHash& b);

struct TokenEntry {
    TokenHash hash{};
    Access access = Access::Write;  // Read: GET requests and the stream only
};

class TokenTable {
public:
    TokenTable() = default;
    explicit TokenTable(std::vector<TokenEntry> entries) : entries_(std::move(entries)) {}
    bool empty() const { return entries_.empty(); }
    // What `token` may do: the access of its entry, None for an unknown token.
    Access Check(std::string_view token) const;

private:
    std::vector<TokenEntry> entries_;
};

// The token of an "Authorization: Bearer TOKEN" header value; "" for anything else.
std::string BearerToken(std::string_view headerValue);

}  // namespace zef::remote
