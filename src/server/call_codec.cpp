#include "server/call_codec.h"

#include <memory>

#include "dataset/packet_codec_simdjson.h"

namespace confcred::server {

namespace {

namespace od = simdjson::ondemand;

static_assert(kBodyPadding == simdjson::SIMDJSON_PADDING);

// Each thread keeps its parser between calls for bodies up to this size; a
// larger body (an import file) gets a parser of its own, freed afterwards, so
// that a worker thread does not hold hundreds of megabytes of parser buffers.
constexpr std::size_t kKeepParserUpTo = std::size_t{16} << 20;

[[noreturn]] void badBody(const std::string& what) {
    throw ArgumentError("Corpo da requisição inválido: " + what + ".");
}

[[noreturn]] void badJson(simdjson::error_code e) {
    badBody(std::string("JSON malformado (") + simdjson::error_message(e) + ")");
}

std::string position(const std::string& method, std::size_t index) {
    return "Argumento " + std::to_string(index + 1) + " do método " + method;
}

Arg decodeArg(od::value& value, const std::string& method, std::size_t index,
              const char* documentEnd) {
    od::json_type type;
    if (auto e = value.type().get(type))
        badJson(e);
    switch (type) {
        case od::json_type::string: {
            std::string_view text;
            if (auto e = value.get_string().get(text))
                badJson(e);
            return std::string(text);
        }
        case od::json_type::number: {
            double number = 0;
            if (auto e = value.get_double().get(number)) {
                throw ArgumentError(position(method, index) +
                                    ": número inválido ou fora da faixa (" +
                                    simdjson::error_message(e) + ").");
            }
            return number;
        }
        case od::json_type::boolean: {
            bool flag = false;
            if (auto e = value.get_bool().get(flag))
                badJson(e);
            return flag;
        }
        case od::json_type::null: {
            bool isNull = false;
            if (auto e = value.is_null().get(isNull); e || !isNull)
                badJson(e ? e : simdjson::N_ATOM_ERROR);
            return std::monostate{};
        }
        case od::json_type::object: {
            // Widths are the method's business: the import file travels in a
            // field declared 5000 characters wide and must arrive whole.
            dataset::DecodeOptions options;
            options.enforceWidths = false;
            try {
                return dataset::decodePacketValue(value, options, documentEnd);
            } catch (const dataset::PacketError& e) {
                throw ArgumentError(position(method, index) +
                                    ": pacote de dados inválido: " + e.what() + ".");
            }
        }
        case od::json_type::array:
            throw ArgumentError(position(method, index) +
                                ": uma lista não é um argumento aceito (use um texto, número, "
                                "booleano, null ou pacote de dados).");
    }
    badBody("valor de argumento desconhecido");
}

std::vector<Arg> decodeArgs(od::value value, const std::string& method, const char* documentEnd) {
    od::array array;
    if (auto e = value.get_array().get(array)) {
        if (e == simdjson::INCORRECT_TYPE)
            badBody("\"args\" deve ser uma lista JSON");
        badJson(e);
    }
    std::vector<Arg> args;
    for (auto element : array) {
        od::value item;
        if (auto e = element.get(item))
            badJson(e);
        args.push_back(decodeArg(item, method, args.size(), documentEnd));
    }
    return args;
}

}  // namespace

Args decodeCall(const std::string& method, std::string& body) {
    if (body.capacity() - body.size() < kBodyPadding)
        body.reserve(body.size() + kBodyPadding);
    const simdjson::padded_string_view view(body.data(), body.size(), body.capacity());

    thread_local od::parser sharedParser;
    std::unique_ptr<od::parser> ownParser;
    od::parser* parser = &sharedParser;
    if (body.size() > kKeepParserUpTo) {
        ownParser = std::make_unique<od::parser>();
        parser = ownParser.get();
    }

    od::document document;
    if (auto e = parser->iterate(view).get(document))
        badJson(e);
    od::object object;
    if (auto e = document.get_object().get(object)) {
        if (e == simdjson::INCORRECT_TYPE)
            badBody("esperado um objeto {\"args\": [...]}");
        badJson(e);
    }
    std::vector<Arg> args;
    bool seenArgs = false;
    for (auto member : object) {
        std::string_view key;
        if (auto e = member.unescaped_key().get(key))
            badJson(e);
        if (key != "args")
            badBody("chave desconhecida \"" + std::string(key.substr(0, 40)) +
                    "\" (o corpo tem só \"args\")");
        if (seenArgs)
            badBody("\"args\" informado mais de uma vez");
        seenArgs = true;
        od::value value;
        if (auto e = member.value().get(value))
            badJson(e);
        args = decodeArgs(value, method, body.data() + body.size());
    }
    if (!seenArgs)
        badBody("falta a chave \"args\"");
    const char* rest = nullptr;
    if (document.current_location().get(rest) == simdjson::SUCCESS)
        badBody("há texto após o objeto JSON");
    return Args(method, std::move(args));
}

namespace {

// Length of the valid UTF-8 sequence starting at text[i], or 0.
std::size_t utf8Length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;  // no overlong forms
        if (lead == 0xED)
            high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;  // nothing past U+10FFFF
    } else {
        return 0;
    }
    if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

}  // namespace

void appendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out.reserve(out.size() + text.size() + 2);
    out += '"';
    std::size_t i = 0, run = 0;  // [run, i) is copied as is
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\' && c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0x80) {
            if (const std::size_t length = utf8Length(text, i)) {
                i += length;
                continue;
            }
        }
        out.append(text.data() + run, i - run);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 0xF];
                } else {
                    out += "\xEF\xBF\xBD";  // a byte that is not UTF-8
                }
        }
        run = ++i;
    }
    out.append(text.data() + run, text.size() - run);
    out += '"';
}

std::string encodeResult(std::string_view resultJson) {
    std::string out;
    out.reserve(kResultPrefix.size() + resultJson.size() + kResultSuffix.size());
    out += kResultPrefix;
    out += resultJson;
    out += kResultSuffix;
    return out;
}

std::string encodeError(std::string_view message) {
    std::string out = "{\"error\":{\"message\":";
    appendJsonString(out, message);
    out += "}}";
    return out;
}

}  // namespace confcred::server
