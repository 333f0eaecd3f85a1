// tokenizer.cpp - FTS5's unicode61 tokenizer, reached through the fts5_api of a
// private in-memory connection that lives as long as the process, and the same cut
// done here for texts of ASCII alone.

#include "tokenizer.h"

#include <sqlite3.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>

#include "codes.h"
#include "error.h"
#include "sqlite_util.h"

namespace zdb {
namespace {

class Unicode61 {
public:
    Unicode61() {
        configureSqlite();
        if (sqlite3_open(":memory:", &db_) != SQLITE_OK) fail("open");
        fts5_api* api = nullptr;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, "SELECT fts5(?1)", -1, &stmt, nullptr) != SQLITE_OK) fail("fts5");
        sqlite3_bind_pointer(stmt, 1, static_cast<void*>(&api), "fts5_api_ptr", nullptr);
        sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        if (!api) fail("fts5_api");
        void* userData = nullptr;
        if (api->xFindTokenizer(api, "unicode61", &userData, &module_) != SQLITE_OK) fail("find");
        const char* args[] = {"remove_diacritics", "2"};
        if (module_.xCreate(userData, args, 2, &tokenizer_) != SQLITE_OK) fail("create");
    }
    ~Unicode61() {
        if (tokenizer_) module_.xDelete(tokenizer_);
        sqlite3_close(db_);
    }

    void run(std::string_view text, TokenSink& sink) {
        if (text.empty()) return;
        // Texts beyond INT_MAX bytes cannot reach here: items are capped at load.
        int size = text.size() > INT_MAX ? INT_MAX : static_cast<int>(text.size());
        module_.xTokenize(tokenizer_, &sink, FTS5_TOKENIZE_DOCUMENT, text.data(), size, &callback);
    }

private:
    static int callback(void* context, int, const char* token, int length, int start, int end) {
        if (length <= 0 || static_cast<size_t>(length) > kMaxWordBytes) return SQLITE_OK;
        static_cast<TokenSink*>(context)->word(std::string_view(token, static_cast<size_t>(length)),
                                               static_cast<size_t>(start), static_cast<size_t>(end));
        return SQLITE_OK;
    }
    [[noreturn]] void fail(const char* step) {
        throw EngineError(kInternalError, {}, std::string("tokenizer setup failed: ") + step);
    }

    sqlite3* db_ = nullptr;
    fts5_tokenizer module_{};
    Fts5Tokenizer* tokenizer_ = nullptr;
};

Unicode61& instance() {
    static Unicode61 tokenizer;
    return tokenizer;
}

class VectorSink : public TokenSink {
public:
    std::vector<Token> tokens;
    void word(std::string_view term, size_t start, size_t end) override {
        tokens.push_back(Token{std::string(term), start, end});
    }
};

class KeySink : public TokenSink {
public:
    std::string key;
    void word(std::string_view term, size_t, size_t) override {
        if (!key.empty()) key.push_back(' ');
        key.append(term);
    }
};

// For each byte: its folded form when it is an ASCII letter or digit, else 0.
constexpr std::array<char, 256> kAsciiWordChars = [] {
    std::array<char, 256> table{};
    for (int c = '0'; c <= '9'; ++c) table[static_cast<size_t>(c)] = static_cast<char>(c);
    for (int c = 'a'; c <= 'z'; ++c) table[static_cast<size_t>(c)] = static_cast<char>(c);
    for (int c = 'A'; c <= 'Z'; ++c) table[static_cast<size_t>(c)] = static_cast<char>(c - 'A' + 'a');
    return table;
}();

// True when no byte of `text` is above 127; eight bytes at a time.
bool isAscii(std::string_view text) {
    size_t i = 0;
    uint64_t high = 0;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t chunk;
        std::memcpy(&chunk, text.data() + i, 8);
        high |= chunk;
    }
    for (; i < text.size(); ++i) high |= static_cast<unsigned char>(text[i]);
    return (high & 0x8080808080808080ULL) == 0;
}

// Cuts a text of ASCII alone as unicode61 does: below 128 its word characters are the
// letters and digits, and it folds capitals to small letters. Most record text is
// ASCII, and a process that meets no other text never opens the connection that FTS5
// needs. False, with nothing handed over, when the text holds any other byte.
bool tokenizeAscii(std::string_view text, TokenSink& sink) {
    if (!isAscii(text)) return false;
    auto fold = [](char c) { return kAsciiWordChars[static_cast<unsigned char>(c)]; };
    char word[kMaxWordBytes];
    size_t i = 0;
    const size_t size = text.size();
    while (i < size) {
        while (i < size && !fold(text[i])) ++i;
        const size_t start = i;
        size_t length = 0;
        for (; i < size; ++i) {
            char c = fold(text[i]);
            if (!c) break;
            if (length < kMaxWordBytes) word[length] = c;
            ++length;
        }
        if (length == 0 || length > kMaxWordBytes) continue;
        sink.word(std::string_view(word, length), start, i);
    }
    return true;
}

}  // namespace

void tokenize(std::string_view utf8, TokenSink& sink) {
    if (!tokenizeAscii(utf8, sink)) instance().run(utf8, sink);
}

std::vector<Token> tokenize(std::string_view utf8) {
    VectorSink sink;
    tokenize(utf8, sink);
    return std::move(sink.tokens);
}

std::string foldedKey(std::string_view utf8) {
    KeySink sink;
    tokenize(utf8, sink);
    return std::move(sink.key);
}

}  // namespace zdb
