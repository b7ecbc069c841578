// Haplotypes that are the same although listed as different entries: pairs
// of haplotypes at distance 0 shared by two samples, and records of one
// sample that point at the same haplotype definition.

#include <fstream>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include "core/errors.h"
#include "model/dist_mat.h"
#include "model/population.h"
#include "project/result_tree.h"

int Population::print_out_redondant(Population* other, std::fstream* out, DistMat const& d)
{
    if (haplotypes.count == 0 || other == nullptr || out == nullptr)
        return 1;
    bool same_sample = other == this;
    bool heading_written = false;
    for (int i = 0; i < haplotypes.count; ++i) {
        HaploDef const* a = haplotypes.data[i]->haplotype;
        for (int j = same_sample ? i + 1 : 0; j < other->haplotypes.count; ++j) {
            HaploDef const* b = other->haplotypes.data[j]->haplotype;
            // Only an exact 0 means the same haplotype; tiny distances do not.
            if (d(a->matrix_index, b->matrix_index) != 0.0)
                continue;
            if (!heading_written) {
                *out << "\n   Haplotypes shared between \"" << result_text(name) << "\" and \""
                     << result_text(other->name) << "\":\n" << "\n";
                heading_written = true;
            }
            *out << "\t\t" << result_text(a->id) << " = " << result_text(b->id) << "\n";
        }
    }
    return 1;
}

int Population::check_phaplodef_redond()
{
    try {
        std::vector<std::unique_ptr<PHaploDef>> merged;
        std::unordered_map<HaploDef const*, PHaploDef*> record_of;
        for (int i = 0; i < haplotypes.count; ++i) {
            PHaploDef const& r = *haplotypes.data[i];
            auto found = record_of.find(r.haplotype);
            if (found != record_of.end()) {
                found->second->count = merged_count(found->second->count, r.count);
            } else {
                merged.push_back(std::make_unique<PHaploDef>(r.haplotype, r.count));
                record_of.emplace(r.haplotype, merged.back().get());
            }
        }
        haplotypes.Flush();
        for (auto& record : merged)
            haplotypes.Add(record.release());
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, "PopGenetics::check_phaplodef_redond()", 0);
        return 0;
    }
    return 1;
}
