#pragma once

// All wire records and their vocabularies.
#include "Models/AccountRecords.h"
#include "Models/CatalogRecords.h"
#include "Models/Vocabulary.h"
