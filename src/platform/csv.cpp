#include "platform/csv.h"

#include <algorithm>

namespace confcred::platform {

std::string csvField(std::string text) {
    if (text.find_first_of(";\"\r\n") == std::string::npos)
        return text;
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string csvTextField(std::string text) {
    const bool digits = !text.empty() && std::all_of(text.begin(), text.end(),
                                                     [](char c) { return c >= '0' && c <= '9'; });
    if (digits)
        return csvField("=\"" + text + "\"");
    if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@'))
        text.insert(text.begin(), '\'');
    return csvField(std::move(text));
}

}  // namespace confcred::platform
