#include "app/MessageText.h"

#include "platform/core/Services.h"

#include <vector>

namespace app {

std::string joinedLines(std::initializer_list<std::string_view> lines)
{
    std::vector<platform::Ref<platform::LineEnding>> endings;
    for (std::size_t i = 1; i < lines.size(); ++i) endings.push_back(platform::EndOfLine());
    for (const auto& ending : endings) platform::nonNil(ending);

    auto line = lines.begin();
    std::string text(*line);
    for (const auto& ending : endings) text = platform::RuntimeAddString(ending->Operator_AddRight(text), std::string(*++line));
    return text;
}

} // namespace app
