// Lets a layer without sources yet still form a library target.
