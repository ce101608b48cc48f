#pragma once
// The show's effects: one table describes them, one array holds them.

#include "runner/Effect.h"

#include <memory>
#include <span>
#include <type_traits>
#include <vector>

class Console;
class RenderContext;

// The show's effects; the value is the effect's row in the show's table.
enum class EffectId { EndPicture, Greetings, Labyrinth, ObjectShow, Tunnel, Flirp, Metaballs, Water, Cube, Klam };
constexpr int kEffectCount = 10;

// One row of an effect table: row i describes EffectId(i).
struct EffectRow {
    EffectId id;
    const char* name; // the class name, for logs ("TunnelEffect")
    int prepareOrder; // 0: never prepared; otherwise the runner prepares the rows in ascending order
    // Constructs the effect, which loads its data from the archive now.
    std::unique_ptr<Effect> (*make)(Console& console, RenderContext& context);
};
using EffectTable = std::span<const EffectRow>;

// The factory of a row: E is built from the console, and also the render context when it takes one.
template<class E>
std::unique_ptr<Effect> makeEffect(Console& console, RenderContext& context)
{
    if constexpr (std::is_constructible_v<E, Console&, RenderContext&>)
        return std::make_unique<E>(console, context);
    else
        return std::make_unique<E>(console);
}

// The show's ten effects in construction order.
EffectTable showEffectTable();
// The class name of one of the show's effects.
const char* effectName(EffectId id);

// One effect per row of a table, indexed by EffectId; destroyed in reverse construction order.
class ShowEffects {
public:
    // Empty slots for the rows of `table`; set() fills them.
    explicit ShowEffects(EffectTable table = showEffectTable());
    // Builds every row's effect in table order.
    ShowEffects(EffectTable table, Console& console, RenderContext& context);
    ShowEffects(ShowEffects&&) = default;
    ShowEffects& operator=(ShowEffects&&) = default;
    ~ShowEffects();

    Effect* at(EffectId id) const { return m_effects[size_t(id)].get(); }
    void set(EffectId id, std::unique_ptr<Effect> effect) { m_effects[size_t(id)] = std::move(effect); }
    EffectTable table() const { return m_table; }
    const char* name(EffectId id) const { return m_table[size_t(id)].name; }
    // Calls prepare() on the rows that ask for it, in their prepare order.
    void prepare() const;

private:
    EffectTable m_table;
    std::vector<std::unique_ptr<Effect>> m_effects; // m_effects[i] belongs to row i
};

// Constructs the show's effects (each loads its data now) in the table's order.
ShowEffects makeShowEffects(Console& console, RenderContext& context);
