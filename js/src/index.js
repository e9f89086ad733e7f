// The `tsfilters` entry: the package's API with the module embedded in the
// package, compiled on first use, so that no `await` comes before the first
// call. Importing this file is what hands the embedded module in (the
// package marks it as having side effects, so bundlers keep it).
import { defaultModule } from './default_module.js';
import { provideModule } from './module.js';

provideModule(defaultModule);

export * from './api.js';
