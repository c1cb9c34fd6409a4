// Typed queries parsed into phrases of word keys.
#include "Query.h"

#include "Ascii.h"
#include "CjkGrams.h"
#include "PageWords.h"
#include "Words.h"

#include <algorithm>

namespace search {

namespace {

// Adds the phrase of one typed term (a word or a quoted phrase), if it has
// any words and is not in the query already, within the query's limits.
void AddTerm(Query& query, std::string_view term, bool prefix) {
    Phrase phrase;
    std::vector<std::string> words;
    for (Word& word : SplitWords(term)) {
        for (std::string& key : ListedKeys(word.key)) phrase.keys.push_back(std::move(key));
        words.push_back(std::move(word.key));
    }
    if (phrase.keys.empty()) return;
    if (phrase.keys.size() > kMostPhraseWords) {
        phrase.keys.resize(kMostPhraseWords);
        query.cut = true;
        prefix = false;  // the words cut off are not the one still being typed
    }
    phrase.prefix = prefix;
    if (std::find(query.phrases.begin(), query.phrases.end(), phrase) != query.phrases.end()) return;
    if (query.phrases.size() == kMostPhrases) {
        query.cut = true;
        return;
    }
    query.phrases.push_back(std::move(phrase));
    query.words.insert(query.words.end(), words.begin(), words.end());
}

// The tokens the index lists a phrase's keys as: runs of CJK keys as their
// character pairs.
std::vector<std::string> ListedTokens(const std::vector<std::string>& keys) {
    std::vector<std::string> tokens;
    std::string run;
    const auto endRun = [&] {
        if (run.empty()) return;
        for (std::string& pair : CharacterPairs(run)) tokens.push_back(std::move(pair));
        run.clear();
    };
    for (const std::string& key : keys) {
        if (IsCjkKey(key)) {
            run += key;
            continue;
        }
        endRun();
        tokens.push_back(key);
    }
    endRun();
    return tokens;
}

// A quoted FTS5 phrase of the tokens, "*" after it for a prefix.
void AppendPhrase(std::string& expression, const std::vector<std::string>& tokens, bool prefix) {
    expression += '"';
    for (std::size_t k = 0; k < tokens.size(); ++k) {
        if (k) expression += kNextWord;
        for (char c : tokens[k]) {
            if (c == '"') expression += '"';
            expression += c;
        }
    }
    expression += prefix ? "\" *" : "\"";
}

}  // namespace

Query ParseQuery(std::string_view typed, bool typing) {
    Query query;
    std::size_t i = 0;
    // Terms are separated by any white space a reader may type or paste, as
    // C's isspace() knows it: a vertical tab too.
    while (i < typed.size()) {
        if (ascii::IsCSpace(typed[i])) {
            ++i;
            continue;
        }
        std::string_view term;
        bool closed = true;
        if (typed[i] == '"') {
            const std::size_t close = typed.find('"', i + 1);
            closed = close != std::string_view::npos;
            term = typed.substr(i + 1, (closed ? close : typed.size()) - i - 1);
            i = closed ? close + 1 : typed.size();
        } else {
            std::size_t end = i;
            while (end < typed.size() && !ascii::IsCSpace(typed[end]) && typed[end] != '"') ++end;
            term = typed.substr(i, end - i);
            closed = end < typed.size();
            i = end;
        }
        bool prefix = !term.empty() && term.back() == '*';
        while (!term.empty() && term.back() == '*') term.remove_suffix(1);
        if (typing && !closed && i >= typed.size()) prefix = true;
        AddTerm(query, term, prefix);
    }
    return query;
}

std::string MatchExpression(const Query& query) {
    std::string expression;
    for (const Phrase& phrase : query.phrases) {
        if (!expression.empty()) expression += ' ';
        const std::vector<std::string> tokens = ListedTokens(phrase.keys);
        if (phrase.keys.size() != 1 || !IsCjkKey(phrase.keys.front())) {
            AppendPhrase(expression, tokens, phrase.prefix);
            continue;
        }
        // One CJK word: inside compounds by its pairs, and as a word, which
        // ranks the pages that hold it as a word first.
        expression += '(';
        AppendPhrase(expression, tokens, phrase.prefix);
        expression += " OR ";
        AppendPhrase(expression, {kWholeWord + phrase.keys.front()}, phrase.prefix);
        expression += ')';
    }
    return expression;
}

}  // namespace search
