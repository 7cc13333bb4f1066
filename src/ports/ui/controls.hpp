#pragma once
// Every control model and the form, for presenters that use them all.
#include "ports/ui/check_box.hpp"
#include "ports/ui/combo_box.hpp"
#include "ports/ui/control.hpp"
#include "ports/ui/event.hpp"
#include "ports/ui/form.hpp"
#include "ports/ui/list_view.hpp"
#include "ports/ui/simple_controls.hpp"
#include "ports/ui/text_box.hpp"
#include "ports/ui/tree_view.hpp"
