#include "platform/fluidsynth/ServerOrCard.h"

namespace platform::fluidsynth {

ServerOrCard::ServerOrCard(std::unique_ptr<AudioDevice> server, std::unique_ptr<AudioDevice> card)
    : server_(std::move(server)), card_(std::move(card))
{
}

std::unique_ptr<AudioConnection> ServerOrCard::open(FrameSource& source)
{
    if (auto connection = server_->open(source)) {
        serverAnswered_ = true;
        return connection;
    }
    if (serverAnswered_)
        return nullptr;
    return card_->open(source);
}

std::string ServerOrCard::systemNames() const
{
    if (serverAnswered_)
        return server_->systemNames();
    return server_->systemNames() + ", " + card_->systemNames();
}

} // namespace platform::fluidsynth
