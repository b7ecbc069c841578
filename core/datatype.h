// The data type of a project, as declared by the DataType key of its profile.
#ifndef DROV_CORE_DATATYPE_H
#define DROV_CORE_DATATYPE_H

enum TDataType { DNA = 0, RFLP = 1, MICROSAT = 2, STANDARD = 3, FREQUENCY = 4 };

#endif
