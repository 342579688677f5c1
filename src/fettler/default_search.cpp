#include "fettler/default_search.hpp"

#include "fettler/names.hpp"
#include "fettler/rotation.hpp"

#include <cstdint>
#include <vector>

namespace fettler {
namespace {

using support::Ref;

// What the search has compared, by place among the configured items.
//
// Searched alone, the rotation hands out every configured item once and
// then the first again: that repeat is where the search gives up, before
// comparing it.  Someone else may advance the same rotation meanwhile (a
// language's __eq__ may call next_language()), so the items the search
// sees can skip places or repeat early; it gives up only on a repeat it
// has compared already, and only after as many comparisons as there are
// configured items.  That bounds the search: past that count, each further
// comparison is of a place it had not compared.
class Compared {
public:
    bool exhausted(const Drawn& drawn) const {
        return drawn.configured >= 0 && comparisons_ >= drawn.configured && seen(drawn.position);
    }

    void note(const Drawn& drawn) {
        ++comparisons_;
        const auto place = static_cast<std::size_t>(drawn.position);
        if (place < first_places) {
            first_ |= std::uint64_t{1} << place;
            return;
        }
        if (place - first_places >= more_.size()) {
            more_.resize(place - first_places + 1);
        }
        more_[place - first_places] = true;
    }

private:
    // Places below 64 in a word: no allocation for any usual configuration.
    static constexpr std::size_t first_places = 64;

    bool seen(Py_ssize_t position) const {
        const auto place = static_cast<std::size_t>(position);
        if (place < first_places) {
            return (first_ >> place) & 1U;
        }
        return place - first_places < more_.size() && more_[place - first_places];
    }

    std::uint64_t first_ = 0;
    std::vector<bool> more_;
    Py_ssize_t comparisons_ = 0;
};

[[noreturn]] void default_not_configured(PyObject* lang_default) {
    support::raise_format(PyExc_ValueError, "lang_default %R is not one of the required_languages", lang_default);
}

}  // namespace

void search_default(PyObject* self, const ModuleState& state) {
    const support::ModuleStrings& strings = state.base.strings;
    Ref iterable = support::getattr(self, strings[names::rotation]);
    Ref iterator = support::check(PyObject_GetIter(iterable.get()));
    Compared compared;
    while (true) {
        // Where the item stands is told with it: reading the default may
        // run code that advances the rotation.
        Step step = next_drawn(iterator.get(), state.generator_type.get());
        if (!step.item) {
            return;
        }
        const Ref lang = std::move(step.item);
        const std::optional<Drawn>& drawn = step.drawn;
        Ref config = support::getattr(self, strings[names::config]);
        Ref lang_default = support::getattr(config.get(), strings[names::lang_default]);
        if (drawn && compared.exhausted(*drawn)) {
            default_not_configured(lang_default.get());
        }
        if (support::equals(lang.get(), lang_default.get())) {
            support::setattr(self, strings[names::current_language], lang.get());
            return;
        }
        if (drawn) {
            compared.note(*drawn);
        }
    }
}

}  // namespace fettler
