#include "bench/StandInCard.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace bench {

namespace {

// The card first; then the hook that puts the server in its place when one
// answers, run again after it, as the system's configuration runs it
// before a user's is read.
constexpr const char* kCardThenServer[] = {R"(pcm.!default {
    type pulse
    server ")", R"("
}
hook_func.pulse_load_if_running {
    lib "libasound_module_conf_pulse.so"
    func "conf_pulse_hook_load_if_running"
}
@hooks [
    {
        func pulse_load_if_running
        files [ "/usr/share/alsa/pulse-alsa.conf" ]
        errors false
    }
]
)"};

} // namespace

StandInCard::StandInCard()
{
    if (const char* home = std::getenv("XDG_CONFIG_HOME")) configHome_ = home;
    const std::filesystem::path configuration = server_.directory() / ".config";
    std::filesystem::create_directories(configuration / "alsa");
    std::ofstream(configuration / "alsa" / "asoundrc") << kCardThenServer[0] << server_.address() << kCardThenServer[1];
    setenv("XDG_CONFIG_HOME", configuration.c_str(), 1);
}

StandInCard::~StandInCard()
{
    if (configHome_)
        setenv("XDG_CONFIG_HOME", configHome_->c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

} // namespace bench
