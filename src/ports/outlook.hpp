#pragma once
// The host port: the host's object model (application, namespace, folders,
// items, windows, events), its command bars and the mail-item wrapper.
// The core reaches the host only through these interfaces.
#include "ports/outlook/command_bars.hpp"
#include "ports/outlook/constants.hpp"
#include "ports/outlook/host.hpp"
#include "ports/outlook/mail_wrapper.hpp"
#include "ports/outlook/subscription.hpp"
