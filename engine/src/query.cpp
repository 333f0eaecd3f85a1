// query.cpp - lexer and recursive-descent parser of the query language. Nothing of
// the query text is ever put into SQL: the tree is evaluated with bound parameters.

#include "query.h"

#include <charconv>

#include "codes.h"
#include "error.h"
#include "text_util.h"
#include "tokenizer.h"

namespace zdb {
namespace {

enum class Tok { Word, Phrase, Open, Close, Op, End };

struct Lexeme {
    Tok type = Tok::End;
    std::string text;       // the word, the phrase's content, or the operator
    bool glued = false;     // Open: directly after the previous word (FUZZY( )
};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isSpecial(char c) { return isSpace(c) || c == '(' || c == ')' || c == '"' || c == '=' || c == '<' || c == '>'; }

// Cuts the query into words, phrases, parentheses and operators.
std::vector<Lexeme> lex(std::string_view text) {
    std::vector<Lexeme> tokens;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (isSpace(c)) { ++i; continue; }
        if (c == '(' || c == ')') {
            Lexeme token{c == '(' ? Tok::Open : Tok::Close, std::string(1, c)};
            token.glued = c == '(' && i > 0 && !isSpecial(text[i - 1]);
            tokens.push_back(token);
            ++i;
        } else if (c == '"') {
            size_t close = text.find('"', i + 1);
            if (close == std::string_view::npos) {
                std::string start(text.substr(i, 20));
                throw EngineError(kUnterminatedPhrase, start);
            }
            tokens.push_back({Tok::Phrase, std::string(text.substr(i + 1, close - i - 1))});
            i = close + 1;
        } else if (c == '=' || c == '<' || c == '>') {
            std::string op(1, c);
            if (i + 1 < text.size() && ((c == '<' && (text[i + 1] == '=' || text[i + 1] == '>')) ||
                                        (c == '>' && text[i + 1] == '=')))
                op.push_back(text[++i]);
            tokens.push_back({Tok::Op, op});
            ++i;
        } else {
            size_t start = i;
            while (i < text.size() && !isSpecial(text[i])) ++i;
            tokens.push_back({Tok::Word, std::string(text.substr(start, i - start))});
        }
    }
    tokens.push_back({Tok::End, ""});
    return tokens;
}

// The comparison of an operator text.
CompareOp compareOp(const std::string& op) {
    if (op == "<") return CompareOp::Less;
    if (op == "<=") return CompareOp::LessEqual;
    if (op == ">") return CompareOp::Greater;
    if (op == ">=") return CompareOp::GreaterEqual;
    if (op == "<>") return CompareOp::NotEqual;
    return CompareOp::Equal;
}

// A new node of `kind` written as `source`.
QueryPtr makeNode(NodeKind kind, std::string source) {
    auto node = std::make_shared<QueryNode>();
    node->kind = kind;
    node->source = std::move(source);
    return node;
}

// left `kind` right, where a missing side (a word without letters) falls away.
QueryPtr combine(NodeKind kind, QueryPtr left, QueryPtr right) {
    if (!left) return kind == NodeKind::AndNot ? nullptr : right;
    if (!right) return left;
    auto node = makeNode(kind, {});
    node->left = std::move(left);
    node->right = std::move(right);
    return node;
}

// Gives every leaf below `node` without a qualifier of its own the qualifier `name`.
void qualify(const QueryPtr& node, const std::string& name) {
    if (!node) return;
    if (node->isLeaf()) {
        if (node->qualifier.empty() && node->kind != NodeKind::SetRef &&
            node->kind != NodeKind::RecordIds)
            node->qualifier = name;
        return;
    }
    qualify(node->left, name);
    qualify(node->right, name);
}

class Parser {
public:
    explicit Parser(std::string_view text) : tokens_(lex(text)) {}

    QueryPtr parse() {
        QueryPtr node = parseOr(0);
        if (peek().type == Tok::Close) throw EngineError(kUnbalancedParenthesis, ")");
        if (peek().type != Tok::End) throw EngineError(kSyntaxError, peek().text);
        if (!node) throw EngineError(kEmptyQuery);
        return node;
    }

private:
    const Lexeme& peek(size_t ahead = 0) const {
        size_t index = pos_ + ahead;
        return tokens_[index < tokens_.size() ? index : tokens_.size() - 1];
    }
    Lexeme take() { return tokens_[pos_ < tokens_.size() - 1 ? pos_++ : pos_]; }
    bool peekKeyword(const char* word) const {
        return peek().type == Tok::Word && peek(1).type != Tok::Op && equalsIgnoreCase(peek().text, word);
    }
    void enter(int depth) const {
        if (depth > kMaxQueryDepth) throw EngineError(kQueryTooComplex);
    }
    void countLeaf() {
        if (++leaves_ > kMaxQueryLeaves) throw EngineError(kQueryTooComplex);
    }

    QueryPtr parseOr(int depth) {
        enter(depth);
        QueryPtr left = parseAnd(depth + 1);
        while (peekKeyword("OR")) {
            Lexeme op = take();
            if (startsNothing()) throw EngineError(kMisplacedOperator, op.text);
            left = combine(NodeKind::Or, left, parseAnd(depth + 1));
        }
        return left;
    }

    bool startsNothing() const {
        return peek().type == Tok::End || peek().type == Tok::Close || peekKeyword("OR") ||
               peekKeyword("AND");
    }

    QueryPtr parseAnd(int depth) {
        enter(depth);
        if (peekKeyword("AND") || peekKeyword("OR")) throw EngineError(kMisplacedOperator, peek().text);
        QueryPtr left = parseUnary(depth + 1);
        for (;;) {
            if (peekKeyword("AND") || peekKeyword("NOT")) {
                Lexeme op = take();
                if (startsNothing()) throw EngineError(kMisplacedOperator, op.text);
                bool negate = equalsIgnoreCase(op.text, "NOT");
                QueryPtr right = parseUnary(depth + 1);
                left = combine(negate ? NodeKind::AndNot : NodeKind::And, left, right);
            } else if (peek().type == Tok::Word || peek().type == Tok::Phrase ||
                       peek().type == Tok::Open) {
                if (peekKeyword("OR")) break;
                left = combine(NodeKind::And, left, parseUnary(depth + 1));
            } else {
                break;
            }
        }
        return left;
    }

    QueryPtr parseUnary(int depth) {
        enter(depth);
        if (peekKeyword("NOT")) {
            Lexeme op = take();
            if (startsNothing()) throw EngineError(kMisplacedOperator, op.text);
            QueryPtr operand = parseUnary(depth + 1);
            if (!operand) return nullptr;
            auto node = makeNode(NodeKind::Not, op.text);
            node->left = operand;
            return node;
        }
        return parsePrimary(depth + 1);
    }

    QueryPtr parsePrimary(int depth) {
        enter(depth);
        const Lexeme& token = peek();
        switch (token.type) {
        case Tok::Open: {
            take();
            QueryPtr inner = parseOr(depth + 1);
            if (peek().type != Tok::Close) throw EngineError(kUnbalancedParenthesis, "(");
            take();
            return inner;
        }
        case Tok::Phrase: {
            Lexeme phrase = take();
            return phraseNode(phrase.text, {});
        }
        case Tok::Word: {
            Lexeme word = take();
            if (peek().type == Tok::Op) return qualified(word.text, take().text, depth);
            if (peek().type == Tok::Open && peek().glued && equalsIgnoreCase(word.text, "FUZZY"))
                return fuzzyNode({});
            return termNode(word.text, {}, false);
        }
        case Tok::Close: throw EngineError(kUnbalancedParenthesis, ")");
        case Tok::Op: throw EngineError(kSyntaxError, token.text);
        case Tok::End: break;
        }
        throw EngineError(kEmptyQuery);
    }

    QueryPtr qualified(const std::string& name, const std::string& op, int depth) {
        std::string source = name + op;
        const Lexeme& value = peek();
        if (value.type == Tok::End || value.type == Tok::Close || value.type == Tok::Op)
            throw EngineError(kSyntaxError, source);
        if (equalsIgnoreCase(name, "S") && op == "=") return setNode(take().text, source);
        if (equalsIgnoreCase(name, "R") && op == "=") return recordNode(take().text, source);
        if (op != "=") {
            if (value.type != Tok::Word && value.type != Tok::Phrase)
                throw EngineError(kSyntaxError, source + value.text);
            Lexeme text = take();
            countLeaf();
            auto node = makeNode(NodeKind::Compare, source + text.text);
            node->qualifier = name;
            node->op = compareOp(op);
            node->value = text.text;
            return node;
        }
        if (value.type == Tok::Open) {
            take();
            QueryPtr inner = parseOr(depth + 1);
            if (peek().type != Tok::Close) throw EngineError(kUnbalancedParenthesis, source + "(");
            take();
            if (!inner) throw EngineError(kSyntaxError, source + "()");
            qualify(inner, name);
            return inner;
        }
        if (value.type == Tok::Phrase) {
            Lexeme phrase = take();
            QueryPtr node = phraseNode(phrase.text, name);
            if (!node) throw EngineError(kSyntaxError, source + "\"" + phrase.text + "\"");
            return node;
        }
        Lexeme word = take();
        if (peek().type == Tok::Open && peek().glued && equalsIgnoreCase(word.text, "FUZZY"))
            return fuzzyNode(name);
        QueryPtr node = termNode(word.text, name, true);
        if (!node) throw EngineError(kSyntaxError, source + word.text);
        return node;
    }

    // A word as a Word, Truncation or Phrase leaf; null when it holds no token
    // (unless `keepEmpty`, for values of value fields such as "-").
    QueryPtr termNode(const std::string& word, const std::string& qualifier, bool qualifiedValue) {
        std::string body = word;
        bool truncated = !body.empty() && body.back() == '?';
        if (truncated) body.pop_back();
        if (body.find('?') != std::string::npos) throw EngineError(kBadTruncation, word);
        auto tokens = tokenize(body);
        countLeaf();
        QueryPtr node;
        if (truncated) {
            if (tokens.size() != 1) throw EngineError(kBadTruncation, word);
            node = makeNode(NodeKind::Truncation, word);
            node->terms = {tokens[0].term};
        } else if (tokens.empty()) {
            if (!qualifiedValue) return nullptr;
            node = makeNode(NodeKind::Phrase, word);  // matches only a value field
        } else if (tokens.size() == 1) {
            node = makeNode(NodeKind::Word, word);
            node->terms = {tokens[0].term};
        } else {
            node = makeNode(NodeKind::Phrase, word);
            for (auto& token : tokens) node->terms.push_back(std::move(token.term));
        }
        node->qualifier = qualifier;
        node->value = truncated ? body : word;
        return node;
    }

    QueryPtr phraseNode(const std::string& text, const std::string& qualifier) {
        auto tokens = tokenize(text);
        if (tokens.empty() && qualifier.empty()) return nullptr;
        countLeaf();
        auto node = makeNode(tokens.size() == 1 ? NodeKind::Word : NodeKind::Phrase, "\"" + text + "\"");
        for (auto& token : tokens) node->terms.push_back(std::move(token.term));
        node->qualifier = qualifier;
        node->value = text;
        return node;
    }

    QueryPtr fuzzyNode(const std::string& qualifier) {
        take();  // (
        auto node = makeNode(NodeKind::Fuzzy, "FUZZY(");
        while (peek().type == Tok::Word || peek().type == Tok::Phrase) {
            for (auto& token : tokenize(take().text)) node->terms.push_back(std::move(token.term));
        }
        if (peek().type != Tok::Close) throw EngineError(kUnbalancedParenthesis, "FUZZY(");
        take();
        if (node->terms.empty()) throw EngineError(kSyntaxError, "FUZZY()");
        countLeaf();
        node->qualifier = qualifier;
        return node;
    }

    QueryPtr setNode(const std::string& text, const std::string& source) {
        int number = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
        if (ec != std::errc() || end != text.data() + text.size() || number < 1)
            throw EngineError(kInvalidSetNumber, text);
        countLeaf();
        auto node = makeNode(NodeKind::SetRef, source + text);
        node->set = number;
        return node;
    }

    QueryPtr recordNode(const std::string& text, const std::string& source) {
        auto number = [&](std::string_view digits) -> int64_t {
            int64_t value = 0;
            auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
            if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() ||
                value < 1 || value > INT32_MAX)
                throw EngineError(kInvalidValue, source + text);
            return value;
        };
        size_t dash = text.find('-');
        countLeaf();
        auto node = makeNode(NodeKind::RecordIds, source + text);
        node->idFrom = number(std::string_view(text).substr(0, dash));
        node->idTo = dash == std::string::npos ? node->idFrom
                                               : number(std::string_view(text).substr(dash + 1));
        if (node->idTo < node->idFrom) throw EngineError(kInvalidValue, source + text);
        return node;
    }

    std::vector<Lexeme> tokens_;
    size_t pos_ = 0;
    int leaves_ = 0;
};

}  // namespace

QueryPtr parseQuery(std::string_view text) {
    if (text.size() > kMaxQueryBytes) throw EngineError(kQueryTooLong);
    return Parser(text).parse();
}

void positiveLeaves(const QueryPtr& node, std::vector<QueryPtr>& out, bool positive) {
    if (!node) return;
    switch (node->kind) {
    case NodeKind::And:
    case NodeKind::Or:
        positiveLeaves(node->left, out, positive);
        positiveLeaves(node->right, out, positive);
        return;
    case NodeKind::AndNot:
        positiveLeaves(node->left, out, positive);
        positiveLeaves(node->right, out, !positive);
        return;
    case NodeKind::Not:
        positiveLeaves(node->left, out, !positive);
        return;
    default:
        if (positive) out.push_back(node);
    }
}

size_t qualifierLength(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    size_t start = i;
    while (i < text.size() && !isSpecial(text[i])) ++i;
    if (i == start) return 0;
    while (i < text.size() && isSpace(text[i])) ++i;
    if (i >= text.size() || (text[i] != '=' && text[i] != '<' && text[i] != '>')) return 0;
    char first = text[i++];
    if (i < text.size() && ((first == '<' && (text[i] == '=' || text[i] == '>')) ||
                            (first == '>' && text[i] == '=')))
        ++i;
    return i;
}

}  // namespace zdb
