// Underwater wobble: the whole picture seen through moving water. Both techniques write the whole
// picture opaque, since the underwater light draws its finished slide to the back buffer with "Main".
// "MainNoMask" and "MainFXNoMask" are the twins the item draws with when it has no mask: every point is
// covered, so both write the wobbled picture without reading the mask or the scene under it.

float2 Scale = {1, 1};
float2 frequency = {13.2, 9.9};
float amplitude = 0.00625;
float time = 0;
texture Mask;
texture Background;

sampler BackgroundSampler = sampler_state {
  Texture = <Background>;
  AddressU = CLAMP;
  AddressV = CLAMP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};
sampler MaskSampler = sampler_state {
  Texture = <Mask>;
  AddressU = CLAMP;
  AddressV = CLAMP;
  MinFilter = LINEAR;
  MagFilter = LINEAR;
  MipFilter = NONE;
};

float2 Moved(float2 uv) {
  return uv + amplitude * float2(sin(uv.y * frequency.y + time), cos(uv.x * frequency.x + 1.3 * time));
}

float4 WobblePS(float2 uv : TEXCOORD0) : COLOR0 {
  float3 scene = tex2D(BackgroundSampler, uv).rgb;
  float3 wobbled = tex2D(BackgroundSampler, Moved(uv)).rgb;
  return float4(lerp(scene, wobbled, tex2D(MaskSampler, uv).a), 1);
}

float4 WobbleNoMaskPS(float2 uv : TEXCOORD0) : COLOR0 {
  return float4(tex2D(BackgroundSampler, Moved(uv)).rgb, 1);
}

technique Main {
  pass P0 {
    AlphaBlendEnable = FALSE;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 WobblePS();
  }
}

technique MainFX {
  pass P0 {
    AlphaBlendEnable = FALSE;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 WobblePS();
  }
}

technique MainNoMask {
  pass P0 {
    AlphaBlendEnable = FALSE;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 WobbleNoMaskPS();
  }
}

technique MainFXNoMask {
  pass P0 {
    AlphaBlendEnable = FALSE;
    CullMode = NONE;
    ZEnable = FALSE;
    PixelShader = compile ps_2_0 WobbleNoMaskPS();
  }
}
