// msal-browser's nested app authentication as the task pane uses it, for the
// browser tests: served in place of the msal-browser bundle, typed from its
// own declarations. Reads window.signInScenario, writes window.signInRecord.

(() => {
  type Msal = typeof import("@azure/msal-browser");
  type Result = import("@azure/msal-browser").AuthenticationResult;

  const scenario = window.signInScenario;
  const record: SignInRecord = { silent: [], popups: 0 };
  window.signInRecord = record;
  let cached = scenario.cachedToken;
  let interactionRequired = scenario.interactionRequired ?? false;

  const account = {
    homeAccountId: "demo.tenant", environment: "login.microsoftonline.com", tenantId: "tenant",
    username: "mette@example.test", localAccountId: "demo",
  };
  const result = (accessToken: string, fromCache: boolean): Result => ({
    authority: "https://login.microsoftonline.com/common", uniqueId: "demo", tenantId: "tenant", scopes: [],
    account, idToken: "", idTokenClaims: {}, accessToken, fromCache, expiresOn: null, tokenType: "Bearer",
    correlationId: "test",
  });

  // msal-browser's own error names the case by its name, which is what the pane tests.
  const interactionError = () => Object.assign(new Error("interaction_required"), { name: "InteractionRequiredAuthError" });

  const client = {
    async acquireTokenSilent(request) {
      record.silent.push({ forceRefresh: request.forceRefresh ?? false });
      if (interactionRequired) throw interactionError();
      if (request.forceRefresh) cached = scenario.freshToken;
      return result(cached, !request.forceRefresh);
    },
    async acquireTokenPopup() {
      ++record.popups;
      interactionRequired = false;
      cached = scenario.freshToken;
      return result(cached, false);
    },
  } satisfies Pick<import("@azure/msal-browser").IPublicClientApplication, "acquireTokenSilent" | "acquireTokenPopup">;

  const fakeMsal = {
    async createNestablePublicClientApplication() {
      return client;
    },
  } satisfies { [K in "createNestablePublicClientApplication"]: (...args: Parameters<Msal[K]>) => Promise<typeof client> };
  Object.assign(window, { msal: fakeMsal });
})();
