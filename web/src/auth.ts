// Sign-in through Nested App Authentication: Outlook signs the user in and
// MSAL asks it for a token for our service; a pop-up only when Outlook says
// the user must act.
import type { Configuration, IPublicClientApplication } from "@azure/msal-browser";
import type * as MsalModule from "@azure/msal-browser";
import { paneTexts } from "./texts.js";

export type TokenClient = Pick<IPublicClientApplication, "acquireTokenSilent" | "acquireTokenPopup">;

// The slice of msal-browser the pane uses, loaded as its browser bundle (the
// global `msal`), so the pane needs no bundler.
export interface MsalGlobal {
  createNestablePublicClientApplication(configuration: Configuration): Promise<TokenClient>;
}
// The real module must offer that slice: this fails to compile if it stops doing so.
export const msalOffersSlice: typeof MsalModule extends MsalGlobal ? true : never = true;

declare global {
  var msal: MsalGlobal;
}

export interface SignInConfig {
  clientId: string;
  authority: string;
  scope: string;
}

export async function signIn(config: SignInConfig): Promise<(forceRefresh: boolean) => Promise<string>> {
  if (!Office.context.requirements.isSetSupported("NestedAppAuth", "1.1")) throw new Error(paneTexts.noNestedSignIn);
  const client = await globalThis.msal.createNestablePublicClientApplication({
    auth: { clientId: config.clientId, authority: config.authority },
  });
  const scopes = [config.scope];
  return async (forceRefresh) => {
    try {
      return (await client.acquireTokenSilent({ scopes, forceRefresh })).accessToken;
    } catch (error) {
      if (!needsInteraction(error)) throw error;
      return (await client.acquireTokenPopup({ scopes })).accessToken;
    }
  };
}

function needsInteraction(error: unknown): boolean {
  return error instanceof Error && error.name === "InteractionRequiredAuthError";
}
