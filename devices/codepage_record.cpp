// PLACEHOLDER: not built yet
