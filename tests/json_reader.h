// A strict reader for the JSON the tool prints: enough to prove that it parses and to look
// inside it.
#pragma once

#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace jsontest {

struct Value {
    enum Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<Value> items;
    std::map<std::string, Value> members;

    const Value& operator[](const std::string& key) const {
        const auto it = members.find(key);
        if (it == members.end()) throw std::runtime_error("no member " + key);
        return it->second;
    }
};

class Reader {
  public:
    explicit Reader(const std::string& text) : s_(text) {}

    Value document() {
        Value value = parse();
        skip();
        if (at_ != s_.size()) fail("text after the value");
        return value;
    }

  private:
    [[noreturn]] void fail(const std::string& what) const {
        throw std::runtime_error("JSON at " + std::to_string(at_) + ": " + what);
    }
    void skip() {
        while (at_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[at_]))) ++at_;
    }
    bool take(char c) {
        skip();
        if (at_ < s_.size() && s_[at_] == c) return ++at_, true;
        return false;
    }
    void expect(char c) {
        if (!take(c)) fail(std::string("expected ") + c);
    }
    bool word(const char* w) {
        const std::string k(w);
        if (s_.compare(at_, k.size(), k) != 0) return false;
        at_ += k.size();
        return true;
    }

    std::string string() {
        expect('"');
        std::string out;
        while (at_ < s_.size() && s_[at_] != '"') {
            char c = s_[at_++];
            if (static_cast<unsigned char>(c) < 0x20) fail("control character in a string");
            if (c == '\\') {
                if (at_ >= s_.size()) fail("cut-off escape");
                c = s_[at_++];
                if (c == 'u') {
                    if (at_ + 4 > s_.size()) fail("cut-off \\u");
                    const long code = std::strtol(s_.substr(at_, 4).c_str(), nullptr, 16);
                    at_ += 4;
                    out += static_cast<char>(code);  // the tool escapes only control bytes
                    continue;
                }
                const std::string from = "\"\\/bfnrt", to = "\"\\/\b\f\n\r\t";
                const size_t k = from.find(c);
                if (k == std::string::npos) fail("bad escape");
                c = to[k];
            }
            out += c;
        }
        expect('"');
        return out;
    }

    Value parse() {
        skip();
        if (at_ >= s_.size()) fail("unexpected end");
        Value v;
        const char c = s_[at_];
        if (c == '{') {
            v.kind = Value::Object;
            ++at_;
            if (take('}')) return v;
            do {
                skip();
                const std::string key = string();
                expect(':');
                v.members[key] = parse();
            } while (take(','));
            expect('}');
        } else if (c == '[') {
            v.kind = Value::Array;
            ++at_;
            if (take(']')) return v;
            do v.items.push_back(parse());
            while (take(','));
            expect(']');
        } else if (c == '"') {
            v.kind = Value::String;
            v.text = string();
        } else if (word("null")) {
            v.kind = Value::Null;
        } else if (word("true") || word("false")) {
            v.kind = Value::Bool;
            v.boolean = s_[at_ - 1] == 'e' && s_[at_ - 2] == 'u';
        } else {
            char* end = nullptr;
            v.kind = Value::Number;
            v.number = std::strtod(s_.c_str() + at_, &end);
            if (end == s_.c_str() + at_) fail("unexpected character");
            at_ = static_cast<size_t>(end - s_.c_str());
        }
        return v;
    }

    const std::string& s_;
    size_t at_ = 0;
};

inline Value parse(const std::string& text) { return Reader(text).document(); }

}  // namespace jsontest
