// The profile of a project: what the "[Profile]" section of a project file
// declares about its data, and the writer of that section.
//
// The data type and the locus separator of the current project are
// process-wide statics of the class: set when a project file is read, never
// reset by initialize, by assignment or between the projects of a run list.
#ifndef DROV_PROJECT_PROFILE_SETTINGS_H
#define DROV_PROJECT_PROFILE_SETTINGS_H

#include <ostream>

#include "core/datatype.h"
#include "core/my_string.h"

class settings;

// Defaults of the profile keys, also the fallbacks of the project-file readers
// for invalid values. UsedHaplListDefault and RecessiveAlleleDefault are the
// global strings of app/glbobj.h.
constexpr TDataType DataTypeDefault = STANDARD;
constexpr int GenotypicDataDefault = 0;
constexpr int GameticPhaseDefault = 1;
constexpr char LocusSeparatorDefault = ' ';
constexpr int LocusListingDefault = 0;
constexpr int InterleaveDefault = 0;
constexpr char MissingDataDefault = '?';
constexpr int IndividualLevelDefault = 0;
constexpr int NbLociDefault = 0;
constexpr int FrequencyDefault = 0;

class ProfileSettings {
public:
    my_string Title;
    int NbSamples;
    int NbGroups;
    int GenotypicData;        // 1: diploid individuals, 0: haplotypes
    int GameticPhase;         // 1: gametic phase known
    int LocusListing;         // older syntax: 0 TABLE, 1 ONE_BY_ONE
    int NbLoci;               // number of locus labels (older syntax)
    my_string* LociLabels;    // owned array of NbLoci labels, or null
    char MissingData;
    my_string DistMatLabel;
    my_string UsedHaplList;   // "NONE", "EXTERN" (see ExtHaplFile) or a list name
    my_string ExtHaplFile;
    int Interleave;
    int IndividualLevel;
    int Frequency;            // 0 ABS (absolute counts), 1 REL (relative frequencies)
    int RecessiveData;
    my_string RecessiveAllele;
    int GivenDistMat;         // 1: distance matrix given, 0: to be computed
    double EpsilonValue;
    double FrequencyThreshold;
    settings* RunSettings;    // the run's settings, not owned

    static TDataType DataType;
    static char LocusSeparator;  // 0: none, one character per locus

    ProfileSettings();
    ProfileSettings(ProfileSettings const& source);
    ~ProfileSettings();

    // Every field but ExtHaplFile back to its default; the statics are untouched.
    void initialize();
    // Deep copy of every field (the label array included); not the statics.
    ProfileSettings& operator=(ProfileSettings const& source);

private:
    void release_labels();
};

// Writes the "[Profile]" section of a generated project file, up to "[Data]".
std::ostream& operator<<(std::ostream& os, ProfileSettings& p);

#endif
