#include "server/http/call_codec.h"

#include <memory>

#include "dataset/packet_codec_simdjson.h"
#include "server/methods/input_text.h"

namespace confcred::server::http {

namespace {

namespace od = simdjson::ondemand;

static_assert(kBodyPadding == simdjson::SIMDJSON_PADDING);

// Each thread keeps its parser between calls for bodies up to this size; a
// larger body (an import file) gets a parser of its own, freed afterwards, so
// that a worker thread does not hold hundreds of megabytes of parser buffers.
constexpr std::size_t kKeepParserUpTo = std::size_t{16} << 20;

[[noreturn]] void badBody(const std::string& what) {
    throw methods::ArgumentError("Corpo da requisição inválido: " + what + ".");
}

[[noreturn]] void badJson(simdjson::error_code e) {
    badBody(std::string("JSON malformado (") + simdjson::error_message(e) + ")");
}

std::string position(const std::string& method, std::size_t index) {
    return "Argumento " + std::to_string(index + 1) + " do método " + method;
}

methods::Arg decodeArg(od::value& value, const std::string& method, std::size_t index,
                       const char* documentEnd, const od::parser& parser) {
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
                throw methods::ArgumentError(position(method, index) +
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
                return dataset::decodePacketValue(value, options, documentEnd, &parser);
            } catch (const dataset::PacketError& e) {
                throw methods::ArgumentError(position(method, index) +
                                             ": pacote de dados inválido: " + e.what() + ".");
            }
        }
        case od::json_type::array:
            throw methods::ArgumentError(
                position(method, index) +
                ": uma lista não é um argumento aceito (use um texto, número, "
                "booleano, null ou pacote de dados).");
    }
    badBody("valor de argumento desconhecido");
}

std::vector<methods::Arg> decodeArgs(od::value value, const std::string& method,
                                     const char* documentEnd, const od::parser& parser) {
    od::array array;
    if (auto e = value.get_array().get(array)) {
        if (e == simdjson::INCORRECT_TYPE)
            badBody("\"args\" deve ser uma lista JSON");
        badJson(e);
    }
    std::vector<methods::Arg> args;
    for (auto element : array) {
        od::value item;
        if (auto e = element.get(item))
            badJson(e);
        args.push_back(decodeArg(item, method, args.size(), documentEnd, parser));
    }
    return args;
}

}  // namespace

methods::Args decodeCall(const std::string& method, std::string& body) {
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
    std::vector<methods::Arg> args;
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
        args = decodeArgs(value, method, body.data() + body.size(), *parser);
    }
    if (!seenArgs)
        badBody("falta a chave \"args\"");
    const char* rest = nullptr;
    if (document.current_location().get(rest) == simdjson::SUCCESS)
        badBody("há texto após o objeto JSON");
    methods::Args decoded(method, std::move(args));
    methods::checkArgumentTexts(decoded);
    return decoded;
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

}  // namespace confcred::server::http
